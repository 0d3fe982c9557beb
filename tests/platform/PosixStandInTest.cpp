// Contracts that only the POSIX stand-in has: the Z: drive mapping, the fixed
// icon table, and the balances of task-allocator references and global
// memory blocks.
#include <gtest/gtest.h>

#include "platform/posix/drive_mapping.h"
#include "platform/posix/global_memory.h"
#include "platform/posix/task_allocator.h"
#include "platform/win32.h"
#include "support/TempDirectory.h"

namespace {

using namespace qor::posix_icons;

TEST(DriveMapping, ZIsTheRootAndOtherDrivesAreMissing) {
  const struct { const char* windows; bool mapped; const char* posix; DWORD error; } rows[] = {
      {"Z:\\home\\u\\a.arc", true, "/home/u/a.arc", 0},
      {"z:/home//u/./a.arc", true, "/home/u/a.arc", 0},
      {"Z:\\", true, "/", 0},
      {"\\tmp\\x", true, "/tmp/x", 0},
      {"Z:\\a\\..\\..\\b", true, "/b", 0},
      {"C:\\Windows", false, "", ERROR_PATH_NOT_FOUND},
      {"\\\\server\\share\\f", false, "", ERROR_BAD_NETPATH},
      {"", false, "", ERROR_INVALID_NAME},
      {"Z:\\\x95\x5C", true, "/\xE8\xA1\xA8", 0},  // CP932 on the library's side, UTF-8 on disk
  };
  for (const auto& row : rows) {
    std::string posix;
    DWORD error = 0;
    EXPECT_EQ(qor::posix::WindowsToPosixPath(row.windows, posix, error), row.mapped) << row.windows;
    EXPECT_EQ(row.mapped ? posix : std::string(), row.posix) << row.windows;
    EXPECT_EQ(row.mapped ? 0 : error, row.error) << row.windows;
  }
  std::string windows;
  ASSERT_TRUE(qor::posix::PosixToWindowsPath("/home/u/\xE8\xA1\xA8.txt", windows));
  EXPECT_EQ(windows, "Z:\\home\\u\\\x95\x5C.txt");
  EXPECT_FALSE(qor::posix::PosixToWindowsPath("relative", windows));
  EXPECT_FALSE(qor::posix::PosixToWindowsPath("/\xF0\x9F\x98\x80", windows)) << "no CP932 form for an emoji";
}

TEST(PosixIcons, FixedTableByAttributesAndExtensionOrByTheFileOnDisk) {
  const struct { const char* name; DWORD attributes; UINT flags; int icon; } rows[] = {
      {"", FILE_ATTRIBUTE_DIRECTORY, 0, kFolder}, {"", FILE_ATTRIBUTE_DIRECTORY, SHGFI_OPENICON, kOpenFolder},
      {"readme.txt", FILE_ATTRIBUTE_NORMAL, 0, kText}, {"README.TXT", FILE_ATTRIBUTE_NORMAL, 0, kText},
      {"x.exe", FILE_ATTRIBUTE_NORMAL, 0, kProgram}, {"x.ico", FILE_ATTRIBUTE_NORMAL, 0, kIconFile},
      {"dir.txt\\noext", FILE_ATTRIBUTE_NORMAL, 0, kGenericFile}, {"\x95\x5C.png", FILE_ATTRIBUTE_NORMAL, 0, kImage},
  };
  for (const auto& row : rows) {
    SHFILEINFOA info{};
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | row.flags;
    ASSERT_NE(SHGetFileInfoA(row.name, row.attributes, &info, sizeof info, flags), 0u) << row.name;
    EXPECT_EQ(info.iIcon, row.icon) << row.name;
  }
  qor::test::TempDirectory dir;
  dir.Write("x.ico", "");
  SHFILEINFOA info{};
  ASSERT_NE(SHGetFileInfoA(dir.PathOf("x.ico").c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX), 0u);
  EXPECT_EQ(info.iIcon, kIconFile);
}

TEST(PosixBalances, EveryAllocatorReferenceAndGlobalBlockIsCounted) {
  const long references = qor::posix::OutstandingAllocatorReferences();
  IMalloc* malloc = nullptr;
  ASSERT_EQ(SHGetMalloc(&malloc), S_OK);
  EXPECT_EQ(qor::posix::OutstandingAllocatorReferences(), references + 1);
  malloc->Release();
  EXPECT_EQ(qor::posix::OutstandingAllocatorReferences(), references);

  const long blocks = qor::posix::OutstandingGlobalBlocks();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalLock(block), nullptr) << "an empty block has no bytes to lock";
  EXPECT_EQ(qor::posix::OutstandingGlobalBlocks(), blocks + 1);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
  stream->Release();
  EXPECT_EQ(qor::posix::OutstandingGlobalBlocks(), blocks) << "the stream freed its block";
}

}  // namespace
