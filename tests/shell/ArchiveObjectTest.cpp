// The archive object as hosts reach it through QORCreateObject: what the
// factory refuses, how one object is shared per path, the icon it finds
// beside the archive, and the extraction of stored files to disk.
#include <gtest/gtest.h>

#include "archive/ArchiveFormat.h"
#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

const std::string kSignature = qor::kOrblaneSignature;

// A valid catalogue head behind a valid signature is not enough: each of
// these must be refused when the catalogue is read.
struct BrokenArchive {
  const char* what;
  std::string bytes;
};
std::vector<BrokenArchive> BrokenArchives() {
  std::string oneRecord = std::string("a\0", 2) + LE32(0) + LE32(0) + LE32(0);
  return {
      {"signature only", kSignature},
      {"catalogue of size 0", kSignature + LE32(0) + "\x01" + LE32(1)},
      {"catalogue past the end", kSignature + LE32(100) + "\x01" + LE32(1)},
      {"no entries", kSignature + LE32(5) + "\x01" + LE32(0)},
      {"unknown version", kSignature + LE32(19) + "\x02" + LE32(1) + oneRecord},
      {"record cut short", kSignature + LE32(11) + "\x01" + LE32(1) + std::string("a\0", 2) + LE32(0)},
  };
}

// A 1x1 icon file, so that a real shell has an icon to take from it.
std::string IconFileBytes() {
  auto le16 = [](int v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
  std::string header = le16(0) + le16(1) + le16(1);
  std::string entry = std::string{1, 1, 0, 0} + le16(1) + le16(32) + LE32(48) + LE32(22);
  std::string bitmap = LE32(40) + LE32(1) + LE32(2) + le16(1) + le16(32) + LE32(0) + LE32(8) + LE32(0) + LE32(0) +
                       LE32(0) + LE32(0);
  std::string pixels = std::string("\x00\x00\xFF\xFF", 4) + std::string(4, '\0');
  return header + entry + bitmap + pixels;
}

int ShellFolderIcon() {
  SHFILEINFOA info{};
  if (!SHGetFileInfoA("", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES))
    return -1;
  return info.iIcon;
}

int ShellIconOfFile(const std::string& path) {
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX)) return -1;
  return info.iIcon;
}

using ArchiveFactory = ShellTest;

TEST_F(ArchiveFactory, ChecksItsArgumentsBeforeLookingAtTheFile) {
  std::string archive = WriteArchive("x.arc", {{"a", "x", 0}});
  std::string missing = m_dir.PathOf("missing.arc");
  EXPECT_EQ(QORCreateObject(archive.c_str(), IID_IzKtrnArchiveObject, nullptr), E_INVALIDARG);
  EXPECT_EQ(QORCreateObject(missing.c_str(), IID_IUnknown, nullptr), E_INVALIDARG);
  for (const IID* iid : {&IID_IUnknown, &IID_IShellFolder, &IID_IzKtrnArchiveFolder, &IID_IzKtrnArchiveLink}) {
    void* out = nullptr;
    EXPECT_EQ(QORCreateObject(archive.c_str(), *iid, &out), E_NOINTERFACE);
    EXPECT_EQ(QORCreateObject(missing.c_str(), *iid, &out), E_NOINTERFACE);
    EXPECT_EQ(Live(), 0);
  }
}

TEST_F(ArchiveFactory, RefusesWhatIsNotAnArchiveAndCreatesNothing) {
  std::string archive = WriteArchive("good.arc", {{"a", "x", 0}});
  m_dir.Write("other.arc", "Orblane DifferentialDataFile and more bytes behind it");
  m_dir.Write("cut.arc", kSignature.substr(0, 21));
  m_dir.Write("empty.arc", "");
  m_dir.MakeDirectory("folder.arc");
  const struct {
    const char* what;
    std::string path;
  } rows[] = {
      {"relative path", "good.arc"},
      {"rooted path without a drive", archive.substr(2)},
      {"missing file", m_dir.PathOf("missing.arc")},
      {"directory", m_dir.PathOf("folder.arc")},
      {"another signature", m_dir.PathOf("other.arc")},
      {"signature cut short", m_dir.PathOf("cut.arc")},
      {"empty file", m_dir.PathOf("empty.arc")},
  };
  for (const auto& row : rows) {
    ComPtr<IzKtrnArchiveObject> object;
    EXPECT_EQ(Open(row.path, object), E_UNEXPECTED) << row.what;
    EXPECT_EQ(Live(), 0) << row.what;
  }
}

TEST_F(ArchiveFactory, OnePathIsOneObjectAndItsCatalogueIsReadOnce) {
  std::string path = WriteArchive("x.arc", {{"a.txt", "hello", 0}});
  ComPtr<IzKtrnArchiveObject> first = Open(path);
  EXPECT_EQ(Live(), 2) << "the archive object and its root folder";

  // From now on the file could not be bound again.
  m_dir.Write("x.arc", kSignature + LE32(0));
  ComPtr<IzKtrnArchiveObject> second = Open(OtherDriveCase(path));
  EXPECT_EQ(second.Get(), first.Get());
  EXPECT_EQ(Live(), 2);
  ComPtr<IShellFolder> root = Root(second.Get());
  EXPECT_EQ(Children(root.Get()), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(Query<IUnknown>(root.Get(), IID_IUnknown).Get(),
            Query<IUnknown>(Root(first.Get()).Get(), IID_IUnknown).Get());

  root.Reset();
  first.Reset();
  EXPECT_EQ(Live(), 2) << "still shared by the second caller";
  second.Reset();
  EXPECT_EQ(Live(), 0);
  ComPtr<IzKtrnArchiveObject> third;
  EXPECT_EQ(Open(path, third), E_FAIL) << "the last release forgot the path, so the file is read afresh";
  EXPECT_EQ(Live(), 0);
}

TEST_F(ArchiveFactory, AnotherSpellingOfThePathIsAnotherObject) {
  m_dir.MakeDirectory("sub");
  std::string path = WriteArchive("x.arc", {{"a.txt", "hello", 0}}, qor::ArchiveSignature::Zktern);
  std::string alias = m_dir.PathOf("sub\\..\\x.arc");
  ComPtr<IzKtrnArchiveObject> first = Open(path);
  ComPtr<IzKtrnArchiveObject> second = Open(alias);
  EXPECT_NE(first.Get(), second.Get());
  EXPECT_EQ(Live(), 4);
  EXPECT_EQ(DisplayName(Root(second.Get()).Get(), EmptyList(), SHGDN_FORPARSING), alias + "/");
  EXPECT_EQ(DisplayName(Root(first.Get()).Get(), EmptyList(), SHGDN_FORPARSING), path + "/");
}

TEST_F(ArchiveFactory, BrokenCatalogueFailsAndLeavesThePathUnregistered) {
  for (const BrokenArchive& row : BrokenArchives()) {
    m_dir.Write("x.arc", row.bytes);
    std::string path = m_dir.PathOf("x.arc");
    ComPtr<IzKtrnArchiveObject> object;
    EXPECT_EQ(Open(path, object), E_FAIL) << row.what;
    EXPECT_EQ(Live(), 0) << row.what;
    // Nothing was registered: the repaired file binds at once.
    WriteArchive("x.arc", {{"a", "x", 0}});
    EXPECT_EQ(Open(path, object), S_OK) << row.what;
    EXPECT_EQ(Children(Root(object.Get()).Get()), std::vector<std::string>{"a"}) << row.what;
  }
}

TEST_F(ArchiveFactory, TheObjectAnswersItsOwnInterfaceAndHandsOutTheRootFolder) {
  ComPtr<IzKtrnArchiveObject> archive = Open(WriteArchive("x.arc", {{"a", "x", 0}}));
  ASSERT_TRUE(archive);
  EXPECT_EQ(Query<IUnknown>(archive.Get(), IID_IUnknown).Get(), static_cast<IUnknown*>(archive.Get()));
  for (const IID* iid : {&IID_IShellFolder, &IID_IzKtrnArchiveFolder, &IID_IPersist, &IID_IEnumIDList}) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(archive->QueryInterface(*iid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
  }
  EXPECT_EQ(archive->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  // The root folder's identity, the same at every call.
  ComPtr<IUnknown> first, second;
  ASSERT_EQ(archive->get_archiveRootFolder(first.Put()), S_OK);
  ASSERT_EQ(archive->get_archiveRootFolder(second.Put()), S_OK);
  EXPECT_EQ(first.Get(), second.Get());
  ComPtr<IzKtrnArchiveFolder> folder = Query<IzKtrnArchiveFolder>(first.Get(), IID_IzKtrnArchiveFolder);
  EXPECT_EQ(static_cast<IUnknown*>(folder.Get()), first.Get());
  EXPECT_EQ(Query<IUnknown>(Query<IShellFolder>(first.Get(), IID_IShellFolder).Get(), IID_IUnknown).Get(), first.Get());
  EXPECT_EQ(Live(), 2) << "no second folder was made";
}

TEST_F(ArchiveFactory, ABoundObjectIsNotBoundAgain) {
  std::string path = WriteArchive("x.arc", {{"a", "x", 0}});
  std::string other = WriteArchive("y.arc", {{"b", "y", 0}});
  ComPtr<IzKtrnArchiveObject> archive = Open(path);
  ASSERT_TRUE(archive);
  for (const std::string& target : {path, other}) {
    std::u16string wide = Widen(target);
    EXPECT_TRUE(FAILED(archive->BindToArchive(reinterpret_cast<BSTR>(wide.data())))) << target;
  }
  EXPECT_EQ(Live(), 2);
  EXPECT_EQ(Children(Root(archive.Get()).Get()), std::vector<std::string>{"a"});
  EXPECT_EQ(DisplayName(Root(archive.Get()).Get(), EmptyList(), SHGDN_FORPARSING), path + "/");
  archive.Reset();
  // The path left the registry with the object: a new one is bound.
  ComPtr<IzKtrnArchiveObject> again = Open(path);
  EXPECT_EQ(Children(Root(again.Get()).Get()), std::vector<std::string>{"a"});
}

// 0x87 0x90 is one of the characters with two byte forms in code page 932;
// it comes back from UTF-16 as 0x81 0xE0. The object must leave the registry
// under the key it entered it with, or a later open finds a freed object.
TEST_F(ArchiveFactory, APathWithATwoFormCharacterLeavesTheRegistryWithItsObject) {
  std::string path = WriteArchive("\x87\x90.arc", {{"a", "x", 0}});
  ComPtr<IzKtrnArchiveObject> first = Open(path);
  ASSERT_TRUE(first);
  first.Reset();
  EXPECT_EQ(Live(), 0);
  ComPtr<IzKtrnArchiveObject> second = Open(path);
  ASSERT_TRUE(second);
  EXPECT_EQ(Children(Root(second.Get()).Get()), std::vector<std::string>{"a"});
}

using ArchiveIcon = ShellTest;

TEST_F(ArchiveIcon, AnIconFileWithTheArchivesBaseNameIsTheFoldersIcon) {
  const struct {
    const char* archive;
    const char* icon;  // written beside the archive, or null
    bool own;          // the archive shows that icon
  } rows[] = {
      {"x.arc", nullptr, false},
      {"x.arc", "x.ico", true},
      {"x.tar.arc", "x.tar.ico", true},
      {"x.tar.arc", "x.ico", false},
      {"noext", "noext.ico", true},
      {"d.ir\\x", "d.ir\\x.ico", true},
      {"d.ir\\x", "d.ico", false},
      {"\x95\x5C.arc", "\x95\x5C.ico", true},
  };
  const int folderIcon = ShellFolderIcon();
  ASSERT_GE(folderIcon, 0);
  for (const auto& row : rows) {
    TempDirectory dir;
    dir.MakeDirectory("d.ir");
    std::vector<std::uint8_t> bytes = qor::BuildArchive(Inputs{{"sub\\f.txt", "f", 0}});
    dir.Write(row.archive, std::string(bytes.begin(), bytes.end()));
    if (row.icon) dir.Write(row.icon, IconFileBytes());
    int expected = folderIcon;
    if (row.own) {
      expected = ShellIconOfFile(dir.PathOf(row.icon));
      EXPECT_GE(expected, 0) << row.archive << ": the shell has an icon for " << row.icon;
    }
    ComPtr<IzKtrnArchiveObject> archive = Open(dir.PathOf(row.archive));
    ComPtr<IShellFolder> root = Root(archive.Get());
    ASSERT_TRUE(root) << row.archive;
    ComPtr<IShellIcon> rootIcon = Query<IShellIcon>(root.Get(), IID_IShellIcon);
    ComPtr<IShellIcon> subIcon = Query<IShellIcon>(SubFolder(root.Get(), "sub").Get(), IID_IShellIcon);
    for (UINT flags : {0u, static_cast<UINT>(GIL_OPENICON)}) {
      int index = -2;
      EXPECT_EQ(rootIcon->GetIconOf(EmptyList(), flags, &index), S_OK);
      EXPECT_EQ(index, expected) << row.archive << (row.icon ? " beside " : "") << (row.icon ? row.icon : "");
      index = -2;
      EXPECT_EQ(subIcon->GetIconOf(EmptyList(), flags, &index), S_OK);
      EXPECT_EQ(index, expected) << row.archive << ": a sub-folder shows the archive's icon";
    }
  }
}

class ArchiveExtract : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    std::string big;
    for (std::uint32_t i = 0; big.size() < 150000; ++i) big += static_cast<char>((i * 2654435761u) >> 24);
    m_inputs = {{"a.txt", "hello", 0},
                {"empty", "", 0},
                {"dir\\big.bin", big, 0},
                {"dir/c.txt", "the quick brown fox, the quick brown fox, the quick brown fox", 0}};
    m_path = WriteArchive("x.arc", m_inputs, qor::ArchiveSignature::Zktern);
    m_archive = Open(m_path);
    ASSERT_TRUE(m_archive);
  }

  HRESULT Extract(int index, const std::string& name) {
    return m_archive->ExtractFile(index, NarrowArgument(m_dir.PathOf(name)));
  }

  Inputs m_inputs;
  std::string m_path;
  ComPtr<IzKtrnArchiveObject> m_archive;
};

TEST_F(ArchiveExtract, EveryStoredFileComesOutAsItWentIn) {
  for (int i = 0; i < static_cast<int>(m_inputs.size()); ++i) {
    std::string name = "out" + std::to_string(i);
    EXPECT_EQ(Extract(i, name), S_OK) << m_inputs[i].name;
    ASSERT_TRUE(m_dir.Exists(name)) << m_inputs[i].name;
    EXPECT_EQ(m_dir.Read(name), m_inputs[i].data) << m_inputs[i].name;
  }
  m_dir.Write("longer", std::string(5000, 'x'));
  EXPECT_EQ(Extract(0, "longer"), S_OK);
  EXPECT_EQ(m_dir.Read("longer"), "hello") << "an existing file is truncated";
}

TEST_F(ArchiveExtract, RefusalsCreateNoFile) {
  const struct {
    int index;
    const char* output;
  } rows[] = {
      {4, "past-the-end"},  // the entry count
      {-1, "folder-index"},
      {0x7FFFFFFF, "far-out"},
      {0, "missing\\out"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Extract(row.index, row.output), E_FAIL) << row.output;
    EXPECT_FALSE(m_dir.Exists(row.output)) << row.output;
  }
}

TEST_F(ArchiveExtract, TheArchiveIsReadAgainAtEveryExtraction) {
  EXPECT_EQ(Extract(0, "before"), S_OK);
  // The archive is not held open between calls, so it can be replaced; what
  // can no longer be decoded leaves nothing on disk.
  m_dir.Write("x.arc", kSignature + LE32(0));
  EXPECT_EQ(Extract(0, "after"), E_FAIL);
  EXPECT_FALSE(m_dir.Exists("after"));
  EXPECT_EQ(Children(Root(m_archive.Get()).Get()), (std::vector<std::string>{"a.txt", "dir", "empty"}))
      << "the tree read at the bind stays";
}

}  // namespace
}  // namespace shell_test
