// The shell services the library calls: the task allocator, the desktop
// folder's parsing, display names and binding, the desktop directory and the
// icon index service. Run against the stand-in and against Wine's shell.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cctype>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/TempDirectory.h"

namespace {

using qor::test::TempDirectory;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return c < 0x80 ? static_cast<char>(std::tolower(c)) : static_cast<char>(c); });
  return text;
}

void FreeWithTaskAllocator(void* block) {
  IMalloc* malloc = nullptr;
  ASSERT_EQ(SHGetMalloc(&malloc), S_OK);
  malloc->Free(block);
  malloc->Release();
}

std::u16string Widen(const std::string& text) {
  int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::u16string wide(static_cast<size_t>(units), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, reinterpret_cast<LPWSTR>(wide.data()), units);
  wide.resize(static_cast<size_t>(units - 1));
  return wide;
}

// The display name a folder gives for a list, as CP932 text.
std::string DisplayName(IShellFolder* folder, LPCITEMIDLIST pidl, SHGDNF flags) {
  STRRET name{};
  if (FAILED(folder->GetDisplayNameOf(pidl, flags, &name))) return "<failed>";
  if (name.uType != STRRET_WSTR) return "<not a wide string>";
  int bytes = WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, text.data(), bytes, nullptr, nullptr);
  text.resize(static_cast<size_t>(bytes - 1));
  FreeWithTaskAllocator(name.pOleStr);
  return text;
}

size_t ItemCount(LPCITEMIDLIST pidl) {
  size_t count = 0;
  for (auto* item = reinterpret_cast<const BYTE*>(pidl); item[0] | item[1]; item += item[0] | (item[1] << 8)) ++count;
  return count;
}

class ShellServices : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SHGetDesktopFolder(&m_desktop), S_OK); }
  void TearDown() override {
    if (m_desktop) m_desktop->Release();
  }

  LPITEMIDLIST Parse(const std::string& path, HRESULT* result = nullptr) {
    std::u16string wide = Widen(path);
    LPITEMIDLIST pidl = nullptr;
    ULONG eaten = 0;
    HRESULT hr = m_desktop->ParseDisplayName(nullptr, nullptr, reinterpret_cast<LPWSTR>(wide.data()), &eaten, &pidl,
                                             nullptr);
    if (result) *result = hr;
    return pidl;
  }

  IShellFolder* m_desktop = nullptr;
};

TEST_F(ShellServices, TaskAllocatorGivesBlocksThatItFrees) {
  IMalloc* malloc = nullptr;
  ASSERT_EQ(SHGetMalloc(&malloc), S_OK);
  void* block = malloc->Alloc(300);
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xAB, 300);
  malloc->Free(block);
  malloc->Release();
}

TEST_F(ShellServices, ParsingNameRoundTripsThroughTheDesktop) {
  TempDirectory dir;
  dir.MakeDirectory("sub");
  dir.Write("sub\\\x95\x5C.txt", "x");
  std::string path = dir.PathOf("sub\\\x95\x5C.txt");
  LPITEMIDLIST pidl = Parse(path);
  ASSERT_NE(pidl, nullptr);
  EXPECT_EQ(Lower(DisplayName(m_desktop, pidl, SHGDN_FORPARSING)), Lower(path));
  FreeWithTaskAllocator(pidl);
}

TEST_F(ShellServices, ParsingAMissingFileFails) {
  TempDirectory dir;
  HRESULT hr = S_OK;
  EXPECT_EQ(Parse(dir.PathOf("missing.txt"), &hr), nullptr);
  EXPECT_TRUE(FAILED(hr));
}

TEST_F(ShellServices, BindingAlongAListReachesTheParentFolder) {
  TempDirectory dir;
  dir.MakeDirectory("a");
  dir.Write("a\\f.bin", "x");
  LPITEMIDLIST pidl = Parse(dir.PathOf("a\\f.bin"));
  ASSERT_NE(pidl, nullptr);
  // Bind item by item through everything before the last item, as the
  // library's translation does.
  size_t count = ItemCount(pidl);
  ASSERT_GE(count, 2u);
  IShellFolder* folder = m_desktop;
  folder->AddRef();
  auto* item = reinterpret_cast<BYTE*>(pidl);
  for (size_t i = 0; i + 1 < count; ++i) {
    USHORT cb = static_cast<USHORT>(item[0] | (item[1] << 8));
    std::vector<BYTE> single(item, item + cb);
    single.push_back(0);
    single.push_back(0);
    IShellFolder* next = nullptr;
    ASSERT_EQ(folder->BindToObject(reinterpret_cast<LPCITEMIDLIST>(single.data()), nullptr, IID_IShellFolder,
                                   reinterpret_cast<void**>(&next)),
              S_OK)
        << "item " << i;
    folder->Release();
    folder = next;
    item += cb;
  }
  auto* last = reinterpret_cast<LPCITEMIDLIST>(item);
  EXPECT_EQ(DisplayName(folder, last, SHGDN_INFOLDER | SHGDN_FORPARSING), "f.bin");
  EXPECT_EQ(Lower(DisplayName(folder, last, SHGDN_FORPARSING)), Lower(dir.PathOf("a\\f.bin")));
  folder->Release();
  FreeWithTaskAllocator(pidl);
}

TEST_F(ShellServices, DesktopDirectoryHasAParsingName) {
  LPITEMIDLIST pidl = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &pidl), S_OK);
  ASSERT_NE(pidl, nullptr);
  std::string name = Lower(DisplayName(m_desktop, pidl, SHGDN_FORPARSING));
  ASSERT_GE(name.size(), 8u);
  EXPECT_EQ(name.substr(name.size() - 8), "\\desktop") << name;
  EXPECT_EQ(name[1], ':') << name;
  FreeWithTaskAllocator(pidl);
}

TEST_F(ShellServices, IconIndicesFollowAttributesAndStayStable) {
  auto icon = [](const char* name, DWORD attributes, UINT extra = 0) {
    SHFILEINFOA info{};
    if (!SHGetFileInfoA(name, attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | extra))
      return -1;
    return info.iIcon;
  };
  int folder = icon("", FILE_ATTRIBUTE_DIRECTORY);
  int file = icon("x.unknownext", FILE_ATTRIBUTE_NORMAL);
  EXPECT_GE(folder, 0);
  EXPECT_GE(file, 0);
  EXPECT_NE(folder, file);
  EXPECT_EQ(icon("other", FILE_ATTRIBUTE_DIRECTORY), folder) << "folders share one icon whatever their name";
  EXPECT_EQ(icon("x.unknownext", FILE_ATTRIBUTE_NORMAL), file) << "the same question gives the same index";
}

TEST_F(ShellServices, IconOfAMissingFileFailsWithoutFileAttributes) {
  TempDirectory dir;
  SHFILEINFOA info{};
  EXPECT_EQ(SHGetFileInfoA(dir.PathOf("missing.ico").c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX), 0u);
}

}  // namespace
