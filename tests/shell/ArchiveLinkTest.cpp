// The archive link: made by its factory, set from the shell's absolute list
// of a place inside an archive, saved to and loaded from its profile file,
// and resolved to the archive's root folder and the place's list.
#include <gtest/gtest.h>

#include "itemid/ShellPaths.h"
#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

// A link file's own path, as the persistence interface takes it.
HRESULT LoadFrom(IPersistFile* link, const std::string& file) {
  return link->Load(reinterpret_cast<LPCOLESTR>(Widen(file).c_str()), 0);
}
HRESULT SaveTo(IPersistFile* link, const std::string& file, BOOL remember) {
  return link->Save(reinterpret_cast<LPCOLESTR>(Widen(file).c_str()), remember);
}

// The Path value of a link file as the profile service reads it; "<none>"
// when there is none.
std::string SavedValue(const std::string& file) {
  char value[600] = {};
  DWORD length = GetPrivateProfileStringA("zKtrnArchiveLink", "Path", "<none>", value, sizeof value, file.c_str());
  return std::string(value, length);
}

class ArchiveLink : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    m_path = WriteArchive("x.arc", {{"docs\\a.txt", "a", 0}, {"top.txt", "t", 0}});
    m_link = NewLink();
    ASSERT_TRUE(m_link);
    m_file = Query<IPersistFile>(m_link.Get(), IID_IPersistFile);
  }

  static ComPtr<IzKtrnArchiveLink> NewLink() {
    ComPtr<IzKtrnArchiveLink> link;
    EXPECT_EQ(QORCreateLinkObject(IID_IzKtrnArchiveLink, link.PutVoid()), S_OK);
    return link;
  }

  // The value the link holds now, as a save writes it.
  std::string Value() {
    std::string probe = m_dir.PathOf("probe.lnk");
    EXPECT_EQ(SaveTo(m_file.Get(), probe, FALSE), S_OK);
    return SavedValue(probe);
  }

  // The shell's absolute list of a place: the archive file's own list, then
  // the archive's records of the named items.
  static UniquePidl PlaceList(IShellFolder* root, const std::vector<const char*>& names) {
    return Concat(FullList(root).get(), PathList(root, names).get());
  }

  ComPtr<IzKtrnArchiveLink> m_link;
  ComPtr<IPersistFile> m_file;
};

// The link factory's refusals are checked with the archive object's.
TEST_F(ArchiveLink, SavesWhatItHoldsAndRemembersOnlyWhenAsked) {
  LPITEMIDLIST list = nullptr;
  EXPECT_EQ(m_link->GetIDList(&list), E_NOTIMPL);
  LPOLESTR name = nullptr;
  EXPECT_EQ(m_file->GetCurFile(&name), E_NOTIMPL);
  EXPECT_EQ(m_file->SaveCompleted(nullptr), S_OK);
  const std::string first = m_dir.PathOf("first.lnk"), second = m_dir.PathOf("second.lnk");
  EXPECT_EQ(m_file->IsDirty(), S_FALSE);
  EXPECT_EQ(m_file->Save(nullptr, TRUE), E_FAIL) << "no name and none remembered";
  EXPECT_EQ(SaveTo(m_file.Get(), first, TRUE), S_OK);
  EXPECT_EQ(SavedValue(first), "/") << "a fresh link saves a lone slash";

  m_dir.Write("second.lnk", "; kept\r\n[other]\r\nkey=value\r\n[zKtrnArchiveLink]\r\nPath=old\r\nMore=kept\r\n");
  ASSERT_EQ(m_link->SetIDList(nullptr), S_OK);
  EXPECT_EQ(m_file->IsDirty(), S_OK);
  EXPECT_EQ(SaveTo(m_file.Get(), second, FALSE), S_OK);
  EXPECT_EQ(m_file->IsDirty(), S_OK) << "not remembered: still dirty";
  char other[32] = {};
  GetPrivateProfileStringA("other", "key", "", other, sizeof other, second.c_str());
  EXPECT_STREQ(other, "value") << "other sections are left alone";
  GetPrivateProfileStringA("zKtrnArchiveLink", "More", "", other, sizeof other, second.c_str());
  EXPECT_STREQ(other, "kept") << "other keys are left alone";
  EXPECT_EQ(SavedValue(second), qor::PidlToPath(nullptr, SHGDN_FORPARSING) + "/") << "no list: the desktop";

  EXPECT_EQ(m_file->Save(nullptr, TRUE), S_OK) << "the remembered file";
  EXPECT_EQ(m_file->IsDirty(), S_FALSE);
  EXPECT_EQ(SavedValue(first), SavedValue(second));
  HRESULT missing = SaveTo(m_file.Get(), m_dir.PathOf("nowhere\\x.lnk"), TRUE);
  EXPECT_TRUE(missing == STG_E_PATHNOTFOUND || missing == STG_E_FILENOTFOUND) << std::hex << missing;
}

TEST_F(ArchiveLink, LoadSplitsAtTheFirstSlashAndKeepsAllOnFailure) {
  const struct { const char* content; HRESULT hr; std::string value; } rows[] = {
      {"[zKtrnArchiveLink]\r\nPath=C:\\x.arc/a/b\r\n", S_OK, "C:\\x.arc/a/b"},
      {"[zKtrnArchiveLink]\r\nPath=no slash\r\n", S_OK, "/no slash"},  // all of it is the inner path
      {"[ZKTRNARCHIVELINK]\r\npath=C:\\y.arc/\x95\x5C\r\n", S_OK, "C:\\y.arc/\x95\x5C"},
      {"[other]\r\nPath=C:\\z.arc/q\r\n", E_FAIL, "C:\\y.arc/\x95\x5C"},  // keeps the last good load
      {"[zKtrnArchiveLink]\r\nPath=\r\n", E_FAIL, "C:\\y.arc/\x95\x5C"},
  };
  int n = 0;
  for (const auto& row : rows) {
    std::string name = "load" + std::to_string(n++) + ".lnk";
    m_dir.Write(name, row.content);
    EXPECT_EQ(LoadFrom(m_file.Get(), m_dir.PathOf(name)), row.hr) << row.content;
    EXPECT_EQ(Value(), row.value) << row.content;
  }
  EXPECT_EQ(LoadFrom(m_file.Get(), m_dir.PathOf("missing.lnk")), E_FAIL);
  EXPECT_EQ(m_file->IsDirty(), S_FALSE) << "loading does not make the link dirty";

  m_dir.Write("noslash.lnk", "[zKtrnArchiveLink]\r\nPath=docs\r\n");
  ASSERT_EQ(LoadFrom(m_file.Get(), m_dir.PathOf("noslash.lnk")), S_OK);
  IUnknown* unknown = reinterpret_cast<IUnknown*>(1);
  LPITEMIDLIST list = reinterpret_cast<LPITEMIDLIST>(1);
  EXPECT_EQ(m_link->Resolve(&unknown, &list), E_FAIL) << "no archive part";
}

// A list that starts inside an archive has no shell part: the desktop's own
// parsing name stands for the archive file. A place that is gone resolves to
// what is left of it; an archive that is gone is not resolved.
TEST_F(ArchiveLink, SavedPlaceResolvesToTheSameRecords) {
  const std::string linkFile = m_dir.PathOf("place.lnk");
  {
    ComPtr<IzKtrnArchiveObject> archive = Open(m_path);
    ComPtr<IShellFolder> root = Root(archive.Get());
    ASSERT_EQ(m_link->SetIDList(PathList(root.Get(), {"docs", "a.txt"}).get()), S_OK);
    EXPECT_EQ(Value(), qor::PidlToPath(nullptr, SHGDN_FORPARSING) + "/docs\\a.txt");
    ASSERT_EQ(m_link->SetIDList(PlaceList(root.Get(), {"docs", "a.txt"}).get()), S_OK);
    ASSERT_EQ(SaveTo(m_file.Get(), linkFile, TRUE), S_OK);
  }
  EXPECT_EQ(SavedValue(linkFile), m_path + "/docs\\a.txt");

  ComPtr<IzKtrnArchiveLink> loaded = NewLink();
  ComPtr<IPersistFile> loadedFile = Query<IPersistFile>(loaded.Get(), IID_IPersistFile);
  ASSERT_EQ(LoadFrom(loadedFile.Get(), linkFile), S_OK);
  ComPtr<IzKtrnArchiveObject> archive = Open(m_path);  // held, so the folder handed out stays bound
  ComPtr<IUnknown> folder;
  LPITEMIDLIST resolved = nullptr;
  ASSERT_EQ(loaded->Resolve(folder.Put(), &resolved), S_OK);
  UniquePidl list(resolved);
  ComPtr<IShellFolder> root = Query<IShellFolder>(folder.Get(), IID_IShellFolder);
  EXPECT_EQ(folder.Get(), IdentityOf(Root(archive.Get()).Get())) << "the open archive's root";
  EXPECT_EQ(DisplayName(root.Get(), list.get(), SHGDN_FORPARSING), m_path + "/docs\\a.txt");

  m_dir.Write("gone.lnk", "[zKtrnArchiveLink]\r\nPath=" + m_path + "/docs\\gone.txt\r\n");
  ASSERT_EQ(LoadFrom(loadedFile.Get(), m_dir.PathOf("gone.lnk")), S_OK);
  ComPtr<IUnknown> again;
  resolved = nullptr;
  EXPECT_EQ(loaded->Resolve(again.Put(), &resolved), S_OK);
  UniquePidl partial(resolved);
  EXPECT_EQ(DisplayName(root.Get(), partial.get(), SHGDN_FORPARSING), m_path + "/docs");

  again.Reset();
  folder.Reset();
  root.Reset();
  archive.Reset();
  m_dir.Remove("x.arc");
  IUnknown* none = reinterpret_cast<IUnknown*>(1);
  resolved = reinterpret_cast<LPITEMIDLIST>(1);
  EXPECT_EQ(loaded->Resolve(&none, &resolved), E_UNEXPECTED);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(resolved, nullptr);
  EXPECT_EQ(loaded->Resolve(nullptr, &resolved), E_POINTER);
}

// The profile format drops blanks and quotes around a value and ends it at a
// line break: a place whose path has blanks at its ends is saved in quotes
// and reads back whole; one with a line break is refused.
TEST_F(ArchiveLink, PathsTheFormatWouldAlterAreQuotedOrRefused) {
  std::string odd = WriteArchive("odd.arc", {{" lead\\trail ", "x", 0}, {"line\nbreak", "y", 0}});
  ComPtr<IzKtrnArchiveObject> archive = Open(odd);
  ComPtr<IShellFolder> root = Root(archive.Get());
  const std::string first = m_dir.PathOf("first.lnk"), second = m_dir.PathOf("second.lnk");
  ASSERT_EQ(m_link->SetIDList(PlaceList(root.Get(), {" lead", "trail "}).get()), S_OK);
  ASSERT_EQ(SaveTo(m_file.Get(), first, TRUE), S_OK);
  EXPECT_EQ(SavedValue(first), odd + "/ lead\\trail ");
  ComPtr<IPersistFile> loadedFile = Query<IPersistFile>(NewLink().Get(), IID_IPersistFile);
  ASSERT_EQ(LoadFrom(loadedFile.Get(), first), S_OK);
  ASSERT_EQ(SaveTo(loadedFile.Get(), second, TRUE), S_OK);
  EXPECT_EQ(SavedValue(second), SavedValue(first));

  ASSERT_EQ(m_link->SetIDList(PlaceList(root.Get(), {"line\nbreak"}).get()), S_OK);
  EXPECT_EQ(SaveTo(m_file.Get(), first, TRUE), E_INVALIDARG);
  EXPECT_EQ(SavedValue(first), odd + "/ lead\\trail ") << "the file is left as it was";
}

// Load reads back at most 519 bytes of the value: Save refuses a longer one,
// writing nothing, rather than leave a link that loads cut (perhaps inside a
// character) and leads elsewhere; the longest it takes comes back whole.
TEST_F(ArchiveLink, SavesOnlyValuesThatLoadBackWhole) {
  for (std::size_t valueLength : {std::size_t{519}, std::size_t{520}}) {
    const std::string archivePath = m_dir.PathOf("y.arc");  // as long as x.arc's
    std::size_t nameLength = valueLength - archivePath.size() - 1;
    std::string name = nameLength % 2 ? "x" : "";
    while (name.size() < nameLength) name += "\x95\x5C";  // ends in a trail byte 0x5C
    WriteArchive("y.arc", {{name, "n", 0}});
    ComPtr<IzKtrnArchiveObject> archive = Open(archivePath);
    ComPtr<IShellFolder> root = Root(archive.Get());
    UniquePidl place = PathList(root.Get(), {name.c_str()});
    ASSERT_EQ(m_link->SetIDList(Concat(FullList(root.Get()).get(), place.get()).get()), S_OK);
    const std::string file = m_dir.PathOf("long" + std::to_string(valueLength) + ".lnk");
    if (valueLength > 519) {
      EXPECT_EQ(SaveTo(m_file.Get(), file, TRUE), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
      EXPECT_FALSE(m_dir.Exists("long520.lnk")) << "nothing written";
      continue;
    }
    ASSERT_EQ(SaveTo(m_file.Get(), file, TRUE), S_OK);
    EXPECT_EQ(SavedValue(file).size(), valueLength);
    ComPtr<IzKtrnArchiveLink> loaded = NewLink();
    ASSERT_EQ(LoadFrom(Query<IPersistFile>(loaded.Get(), IID_IPersistFile).Get(), file), S_OK);
    ComPtr<IUnknown> folder;
    LPITEMIDLIST resolved = nullptr;
    ASSERT_EQ(loaded->Resolve(folder.Put(), &resolved), S_OK);
    UniquePidl list(resolved);
    EXPECT_TRUE(list && qor::PidlEqual(list.get(), place.get())) << "the same place";
  }
}

}  // namespace
}  // namespace shell_test
