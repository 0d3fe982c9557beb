// The archive object as hosts reach it through QORCreateObject: what the
// factory refuses, how one object is shared per path, the icon it finds
// beside the archive, and the extraction of stored files to disk.
#include <gtest/gtest.h>

#include <optional>

#include "archive/ArchiveFormat.h"
#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

const std::string kSignature = qor::kOrblaneSignature;

using ArchiveFactory = ShellTest;

// Arguments are checked before the file is looked at, and every refusal (of
// the link's factory too) leaves the caller's pointer null. Which files are archives, and the
// catalogue's own faults, are probed in the archive tests: the factory turns
// a file it does not take for an archive into E_UNEXPECTED and a broken
// catalogue into E_FAIL, creates nothing and leaves the path unregistered, so
// that the repaired file binds at once.
TEST_F(ArchiveFactory, RefusesBadArgumentsAndUnsoundFilesAndCreatesNothing) {
  const std::string good = WriteArchive("good.arc", {{"a", "x", 0}}), missing = m_dir.PathOf("missing.arc");
  EXPECT_EQ(QORCreateObject(good.c_str(), IID_IzKtrnArchiveObject, nullptr), E_INVALIDARG);
  EXPECT_EQ(QORCreateObject(missing.c_str(), IID_IUnknown, nullptr), E_INVALIDARG);
  for (const IID* iid : {&IID_IUnknown, &IID_IShellFolder, &IID_IzKtrnArchiveFolder, &IID_IzKtrnArchiveLink}) {
    for (const std::string& path : {good, missing}) {
      void* out = reinterpret_cast<void*>(1);
      EXPECT_EQ(QORCreateObject(path.c_str(), *iid, &out), E_NOINTERFACE);
      EXPECT_EQ(out, nullptr);
    }
  }
  EXPECT_EQ(QORCreateLinkObject(IID_IzKtrnArchiveLink, nullptr), E_INVALIDARG);
  for (const IID* iid : {&IID_IUnknown, &IID_IPersistFile, &IID_IzKtrnArchiveObject}) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(QORCreateLinkObject(*iid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
  }
  m_dir.MakeDirectory("folder.arc");
  const std::string x = m_dir.PathOf("x.arc");
  const struct { const char* what; std::string path, bytes; HRESULT hr; } rows[] = {
      {"a missing file", missing, "", E_UNEXPECTED},
      {"a folder", m_dir.PathOf("folder.arc"), "", E_UNEXPECTED},
      {"another signature", x, "Orblane DifferentialDataFile and more bytes behind it", E_UNEXPECTED},
      {"signature only", x, kSignature, E_FAIL},
  };
  for (const auto& row : rows) {
    if (row.path == x) m_dir.Write("x.arc", row.bytes);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(QORCreateObject(row.path.c_str(), IID_IzKtrnArchiveObject, &out), row.hr) << row.what;
    EXPECT_EQ(out, nullptr) << row.what;
    EXPECT_EQ(Live(), 0) << row.what;
    if (row.path != x) continue;
    WriteArchive("x.arc", {{"a", "x", 0}});
    EXPECT_EQ(Children(Root(Open(x).Get()).Get()), Names{"a"}) << row.what;
  }
}

// While anything holds the object, an open of its path (in any letter case)
// finds it, even when the file could no longer be read, and the object is not
// bound again; another spelling of the path is another object. The last
// release forgets the path, and the file is read afresh. 0x87 0x90 has two
// byte forms in code page 932 (it comes back from UTF-16 as 0x81 0xE0): the
// object must leave the registry under the key it entered it with, or a later
// open finds a freed object.
TEST_F(ArchiveFactory, OnePathIsOneObjectWhileAnythingHoldsIt) {
  m_dir.MakeDirectory("sub");
  const std::string other = WriteArchive("other.arc", {{"b", "y", 0}});
  for (const std::string name : {"x.arc", "\x87\x90.arc"}) {
    SCOPED_TRACE(name);
    std::string path = WriteArchive(name, {{"dir\\f.txt", "f", 0}});
    ComPtr<IzKtrnArchiveObject> first = Open(path);
    const auto* original = first.Get();
    EXPECT_EQ(Live(), 2) << "the archive object and its root folder";
    for (const std::string& target : {path, other}) {
      std::u16string wide = Widen(target);
      EXPECT_TRUE(FAILED(first->BindToArchive(reinterpret_cast<BSTR>(wide.data())))) << "bound again to " << target;
    }
    if (name == "x.arc") {  // the other name comes back from UTF-16 in its other form
      const std::string alias = m_dir.PathOf("sub\\..\\" + name);
      ComPtr<IzKtrnArchiveObject> aliased = Open(alias);
      EXPECT_NE(aliased.Get(), original);
      EXPECT_EQ(DisplayName(Root(aliased.Get()).Get(), EmptyList(), SHGDN_FORPARSING), alias + "/");
    }
    m_dir.Write(name, kSignature + LE32(0));
    ComPtr<IzKtrnArchiveObject> second = Open(OtherDriveCase(path));
    EXPECT_EQ(second.Get(), original);
    ComPtr<IShellFolder> root = Root(second.Get());
    EXPECT_EQ(IdentityOf(root.Get()), IdentityOf(Root(first.Get()).Get()));
    EXPECT_EQ(Live(), 2);
    root.Reset();
    first.Reset();
    EXPECT_EQ(Live(), 2) << "still held by the second caller";

    ComPtr<IShellFolder> sub = SubFolder(Root(second.Get()).Get(), "dir");
    ASSERT_TRUE(sub);
    second.Reset();
    EXPECT_EQ(Live(), 3) << "archive, root folder and sub-folder, held by the sub-folder";
    ComPtr<IzKtrnArchiveObject> again = Open(path);
    EXPECT_EQ(again.Get(), original);
    EXPECT_EQ(Children(Root(again.Get()).Get()), Names{"dir"});
    EXPECT_EQ(Children(sub.Get()), Names{"f.txt"});
    again.Reset();
    EXPECT_EQ(Live(), 3);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    sub.Reset();
    EXPECT_EQ(Live(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    ComPtr<IzKtrnArchiveObject> third;
    EXPECT_EQ(Open(path, third), E_FAIL);
    EXPECT_EQ(Live(), 0);
  }
}

// Every class answers exactly its own interfaces, all with one identity
// (the shared base's table), and refuses the rest with E_NOINTERFACE and a
// null out-pointer; the persistent ones name their class.
TEST_F(ShellTest, EveryClassAnswersItsOwnInterfacesWithOneIdentity) {
  OpenArchive("x.arc", {{"dir\\f.txt", "f", 0}, {"top.txt", "t", 0}});
  ComPtr<IEnumIDList> enumerator = Enum(m_root.Get());
  UniquePidl top = Child(m_root.Get(), "top.txt");
  ComPtr<IDataObject> data = DataOf(m_root.Get(), {top.get()});
  ASSERT_TRUE(data);
  ComPtr<IzKtrnArchiveLink> link;
  ASSERT_EQ(QORCreateLinkObject(IID_IzKtrnArchiveLink, link.PutVoid()), S_OK);
  const struct {
    const char* what;
    IUnknown* object;
    std::vector<const IID*> answered, refused;
    const IID* persist = nullptr;  // an interface deriving from IPersist
    const CLSID* clsid = nullptr;
  } rows[] = {
      {"archive object", m_archive.Get(), {&IID_IzKtrnArchiveObject},
       {&IID_IShellFolder, &IID_IzKtrnArchiveFolder, &IID_IPersist, &IID_IEnumIDList}},
      {"folder", m_root.Get(), {&IID_IzKtrnArchiveFolder, &IID_IShellFolder, &IID_IPersistFolder, &IID_IShellIcon},
       {&IID_IPersist, &IID_IEnumIDList, &IID_IDataObject, &IID_IzKtrnArchiveObject, &IID_IPersistFile},
       &IID_IPersistFolder, &CLSID_zKtrnArchiveFolder},
      {"enumerator", enumerator.Get(), {&IID_IEnumIDList},
       {&IID_IzKtrnArchiveEnumIDList, &IID_IShellFolder, &IID_IzKtrnArchiveFolder}},
      {"data object", data.Get(), {&IID_IzKtrnArchiveDataObject, &IID_IDataObject}, {&IID_IShellFolder}},
      {"link", link.Get(), {&IID_IzKtrnArchiveLink, &IID_IPersistFile}, {&IID_IPersist, &IID_IShellFolder, &IID_IDataObject},
       &IID_IPersistFile, &CLSID_zKtrnArchiveLink},
  };
  for (const auto& row : rows) {
    IUnknown* identity = IdentityOf(row.object);
    EXPECT_EQ(identity, IdentityOf(identity)) << row.what;
    for (const IID* iid : row.answered) {
      ComPtr<IUnknown> it;
      ASSERT_EQ(row.object->QueryInterface(*iid, it.PutVoid()), S_OK) << row.what;
      EXPECT_EQ(IdentityOf(it.Get()), identity) << row.what;
    }
    EXPECT_EQ(Query<IUnknown>(row.object, *row.answered.front()).Get(), identity) << row.what << ": the first is IUnknown";
    for (const IID* iid : row.refused) {
      void* out = reinterpret_cast<void*>(1);
      EXPECT_EQ(row.object->QueryInterface(*iid, &out), E_NOINTERFACE) << row.what;
      EXPECT_EQ(out, nullptr) << row.what;
    }
    EXPECT_EQ(row.object->QueryInterface(IID_IUnknown, nullptr), E_POINTER) << row.what;
    if (!row.persist) continue;
    ComPtr<IPersist> persist = Query<IPersist>(row.object, *row.persist);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK) << row.what;
    EXPECT_TRUE(IsEqualGUID(clsid, *row.clsid)) << row.what;
    EXPECT_EQ(persist->GetClassID(nullptr), E_INVALIDARG) << row.what;
  }
}

// A 1x1 icon file, so that a real shell has an icon to take from it.
std::string IconFileBytes() {
  auto le16 = [](int v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
  std::string header = le16(0) + le16(1) + le16(1);
  std::string entry = std::string{1, 1, 0, 0} + le16(1) + le16(32) + LE32(48) + LE32(22);
  std::string bitmap = LE32(40) + LE32(1) + LE32(2) + le16(1) + le16(32) + LE32(0) + LE32(8) + LE32(0) + LE32(0) +
                       LE32(0) + LE32(0);
  return header + entry + bitmap + std::string("\x00\x00\xFF\xFF", 4) + std::string(4, '\0');
}

// The folders of an archive show the icon file beside it with the archive's
// base name, or else the shell's folder icon; their items show the shell's
// icons of their bare names (open or closed), whatever the archive's icon.
TEST_F(ShellTest, FoldersShowAnIconFileWithTheArchivesBaseNameAndItemsTheirOwn) {
  const struct {
    const char* archive;
    const char* icon;  // written beside the archive
    bool own;          // the archive shows that icon
  } rows[] = {
      {"x.tar.arc", "x.tar.ico", true},
      {"x.tar.arc", "x.ico", false},
      {"noext", "noext.ico", true},
      {"d.ir\\x", "d.ir\\x.ico", true},
      {"d.ir\\x", "d.ico", false},
      {"\x95\x5C.arc", "\x95\x5C.ico", true},
  };
  // The system image list index the shell gives a path, or a bare name with
  // the attributes given; -1 when it has none.
  auto shellIcon = [](const std::string& path, DWORD attributes, UINT flags, UINT info = SHGFI_USEFILEATTRIBUTES) {
    SHFILEINFOA out{};
    info |= SHGFI_SYSICONINDEX | ((flags & GIL_OPENICON) ? SHGFI_OPENICON : 0);
    return SHGetFileInfoA(path.c_str(), attributes, &out, sizeof out, info) ? out.iIcon : -1;
  };
  const int folderIcon = shellIcon("", FILE_ATTRIBUTE_DIRECTORY, 0);
  ASSERT_GE(folderIcon, 0);
  ASSERT_NE(shellIcon("f.txt", FILE_ATTRIBUTE_NORMAL, 0), shellIcon("f.txt", FILE_ATTRIBUTE_DIRECTORY, 0));
#ifndef _WIN32
  // The stand-in's open and closed folders look different, so there the
  // rows tell whether GIL_OPENICON was passed on.
  ASSERT_NE(shellIcon("sub", FILE_ATTRIBUTE_DIRECTORY, 0), shellIcon("sub", FILE_ATTRIBUTE_DIRECTORY, GIL_OPENICON));
#endif
  for (const auto& row : rows) {
    TempDirectory dir;
    dir.MakeDirectory("d.ir");
    dir.Write(row.archive, archive_test::ToString(qor::BuildArchive(Inputs{{"sub\\f.txt", "f", 0}})));
    dir.Write(row.icon, IconFileBytes());
    int expected = folderIcon;
    if (row.own) {
      expected = shellIcon(dir.PathOf(row.icon), 0, 0, 0);
      EXPECT_GE(expected, 0) << row.archive << ": the shell has an icon for " << row.icon;
    }
    ComPtr<IzKtrnArchiveObject> archive = Open(dir.PathOf(row.archive));
    ComPtr<IShellFolder> root = Root(archive.Get());
    ASSERT_TRUE(root) << row.archive;
    std::string what = std::string(row.archive) + " beside " + row.icon;
    ComPtr<IShellFolder> sub = SubFolder(root.Get(), "sub");
    const struct { IShellFolder* folder; const char* item; DWORD attributes; } folders[] = {
        {root.Get(), "sub", FILE_ATTRIBUTE_DIRECTORY}, {sub.Get(), "f.txt", FILE_ATTRIBUTE_NORMAL}};
    for (const auto& [folder, item, attributes] : folders) {
      ComPtr<IShellIcon> icon = Query<IShellIcon>(folder, IID_IShellIcon);
      UniquePidl child = Child(folder, item);
      for (UINT flags : {0u, static_cast<UINT>(GIL_OPENICON)}) {
        int index = -2;
        EXPECT_EQ(icon->GetIconOf(EmptyList(), flags, &index), S_OK);
        EXPECT_EQ(index, expected) << what << (folder == root.Get() ? "" : ": a sub-folder shows the archive's icon");
        EXPECT_EQ(icon->GetIconOf(child.get(), flags, &index), S_OK);
        EXPECT_EQ(index, shellIcon(item, attributes, flags)) << what << ": " << item << " with flags " << flags;
      }
    }
    EXPECT_EQ(Query<IShellIcon>(root.Get(), IID_IShellIcon)->GetIconOf(EmptyList(), 0, nullptr), E_POINTER);
  }
}

class ArchiveExtract : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    m_inputs = {{"a.txt", "hello", 0},
                {"empty", "", 0},
                {"dir/big.bin", archive_test::RandomBytes(150000, 1), 0}};
    OpenArchive("x.arc", m_inputs, qor::ArchiveSignature::Zktern);
  }

  HRESULT Extract(int index, const std::string& name) {
    return m_archive->ExtractFile(index, NarrowArgument(m_dir.PathOf(name)));
  }

  Inputs m_inputs;
};

// The archive is not held open between calls, so it can be replaced or
// deleted; each extraction gives what a fresh reading of the file as it is
// now gives, whatever was read at the bind. What cannot be decoded leaves
// no output and no temporary file, and a file already at the target is
// replaced only by a success. An index past the last, a folder's index, a
// missing folder or a folder at the target is refused without making a file,
// and a folder is never replaced.
TEST_F(ArchiveExtract, EachExtractionSeesTheArchiveAsItIsNowAndRefusalsMakeNoFile) {
  const std::string original = archive_test::ToString(qor::BuildArchive(m_inputs, qor::ArchiveSignature::Zktern));
  // The first two entries' contents swapped: a file of the same length
  // whose entries lie elsewhere.
  Inputs other = m_inputs;
  std::swap(other[0].data, other[1].data);
  const std::string sameLength = archive_test::ToString(qor::BuildArchive(other, qor::ArchiveSignature::Zktern));
  ASSERT_EQ(sameLength.size(), original.size());
  const std::string fewer = archive_test::ToString(qor::BuildArchive(Inputs{{"only", "one", 0}}));

  // What x.arc becomes: new bytes written over it, or moved over it as a new
  // file, or (nullopt) nothing.
  const struct {
    const char* what;
    std::optional<std::string> bytes;
    bool moved;
    int index;
    std::optional<std::string> expected;  // nullopt: E_FAIL and nothing written
  } rows[] = {
      {"unchanged", original, false, 2, m_inputs[2].data},
      {"grown", original + "more", false, 0, std::nullopt},
      {"shrunk", original.substr(0, original.size() - 1), false, 0, std::nullopt},
      {"replaced by an archive of the same length", sameLength, true, 0, ""},
      {"replaced by an archive of fewer entries", fewer, false, 0, "one"},
      {"... and an index past its end", fewer, false, 1, std::nullopt},
      {"replaced by no archive", kSignature + LE32(0), false, 0, std::nullopt},
      {"deleted", std::nullopt, false, 0, std::nullopt},
  };
  for (const auto& row : rows) {
    for (const bool occupied : {false, true}) {
      SCOPED_TRACE(std::string(row.what) + (occupied ? ", over a file" : ""));
      m_dir.Write("x.arc", original);
      // An extraction first, so that the object has read the file as it was.
      ASSERT_EQ(Extract(0, "first"), S_OK);
      m_dir.Remove("first");
      if (!row.bytes) {
        m_dir.Remove("x.arc");
      } else if (row.moved) {
        m_dir.Write("y.arc", *row.bytes);
        ASSERT_TRUE(MoveFileExA(m_dir.PathOf("y.arc").c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING));
      } else {
        m_dir.Write("x.arc", *row.bytes);
      }
      const std::size_t before = m_dir.Count();
      if (occupied) m_dir.Write("out", "mine");
      EXPECT_EQ(Extract(row.index, "out"), row.expected ? S_OK : E_FAIL);
      std::optional<std::string> left = row.expected;  // what "out" holds now
      if (!left && occupied) left = "mine";
      ASSERT_EQ(m_dir.Exists("out"), left.has_value());
      if (left) {
        EXPECT_EQ(m_dir.Read("out"), *left);
        m_dir.Remove("out");
      }
      EXPECT_EQ(m_dir.Count(), before) << "no temporary file is left";
    }
  }
  m_dir.Write("x.arc", original);
  EXPECT_EQ(Extract(0, "again"), S_OK) << "the file as it was at the bind extracts again";
  EXPECT_EQ(m_dir.Read("again"), "hello");
  EXPECT_EQ(Children(m_root.Get()), (Names{"a.txt", "dir", "empty"})) << "the tree read at the bind stays";

  m_dir.MakeDirectory("out");
  m_dir.Write("out\\kept", "mine");
  const std::size_t files = m_dir.Count();
  const std::pair<int, const char*> refused[] = {
      {3, "past-the-end"}, {-1, "folder-index"}, {0x7FFFFFFF, "far-out"}, {0, "missing\\out"}, {0, "out"}};
  for (const auto& [index, output] : refused) EXPECT_EQ(Extract(index, output), E_FAIL) << output;
  EXPECT_EQ(m_dir.Count(), files) << "no file made";
  EXPECT_EQ(m_dir.Count("out"), 1u);
  EXPECT_EQ(m_dir.Read("out\\kept"), "mine");
}

}  // namespace
}  // namespace shell_test
