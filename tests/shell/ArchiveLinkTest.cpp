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

// The link factory's refusals are checked with the archive object's. A load
// takes all before the first '/' as the archive; a failed one keeps what the
// link held.
TEST_F(ArchiveLink, SavesWhatItHoldsRemembersOnlyWhenAskedAndLoadsSplitAtTheFirstSlash) {
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
  GetPrivateProfileStringA("zKtrnArchiveLink", "More", "", other, sizeof other, second.c_str());
  EXPECT_STREQ(other, "kept") << "the rest of the file is left alone, its own section's other keys too";
  EXPECT_EQ(SavedValue(second), qor::PidlToPath(nullptr, SHGDN_FORPARSING) + "/") << "no list: the desktop";

  EXPECT_EQ(m_file->Save(nullptr, TRUE), S_OK) << "the remembered file";
  EXPECT_EQ(m_file->IsDirty(), S_FALSE);
  EXPECT_EQ(SavedValue(first), SavedValue(second));
  HRESULT missing = SaveTo(m_file.Get(), m_dir.PathOf("nowhere\\x.lnk"), TRUE);
  EXPECT_TRUE(missing == STG_E_PATHNOTFOUND || missing == STG_E_FILENOTFOUND) << std::hex << missing;

  const struct { const char* content; HRESULT hr; std::string value; } rows[] = {
      {"[zKtrnArchiveLink]\r\nPath=C:\\x.arc/a/b\r\n", S_OK, "C:\\x.arc/a/b"},
      {"[zKtrnArchiveLink]\r\nPath=no slash\r\n", S_OK, "/no slash"},  // all of it is the inner path
      {"[ZKTRNARCHIVELINK]\r\npath=C:\\y.arc/\x95\x5C\r\n", S_OK, "C:\\y.arc/\x95\x5C"},
      {"[other]\r\nPath=C:\\z.arc/q\r\n", E_FAIL, "C:\\y.arc/\x95\x5C"},  // keeps the last good load
      {"[zKtrnArchiveLink]\r\nPath=\r\n", E_FAIL, "C:\\y.arc/\x95\x5C"},
  };
  int n = 0;
  for (const auto& row : rows) {
    std::string loaded = "load" + std::to_string(n++) + ".lnk";
    m_dir.Write(loaded, row.content);
    EXPECT_EQ(LoadFrom(m_file.Get(), m_dir.PathOf(loaded)), row.hr) << row.content;
    EXPECT_EQ(Value(), row.value) << row.content;
  }
  EXPECT_EQ(LoadFrom(m_file.Get(), m_dir.PathOf("missing.lnk")), E_FAIL);
  EXPECT_EQ(m_file->IsDirty(), S_FALSE) << "loading does not make the link dirty";

  m_dir.Write("noslash.lnk", "[zKtrnArchiveLink]\r\nPath=docs\r\n");
  ASSERT_EQ(LoadFrom(m_file.Get(), m_dir.PathOf("noslash.lnk")), S_OK);
  IUnknown* unknown = reinterpret_cast<IUnknown*>(1);
  list = reinterpret_cast<LPITEMIDLIST>(1);
  EXPECT_EQ(m_link->Resolve(&unknown, &list), E_FAIL) << "no archive part";
}

// A place saved by one link is loaded by another and resolves to the same
// records under the open archive's root. The profile format drops blanks and
// quotes around a value and ends it at a line break, and Load reads back at
// most 519 bytes of it: a place whose path has blanks at its ends is saved in
// quotes, and one with a line break or a longer value is refused with the
// link file left as it was, rather than leave a link that loads cut (perhaps
// inside a character) and leads elsewhere. An archive that is gone is not
// resolved (a place that is gone resolves to what is left of it: qor's link
// test reads that part back).
TEST_F(ArchiveLink, SavedPlacesResolveToTheSameRecordsOrAreRefused) {
  const std::size_t pathLength = m_dir.PathOf("r0.arc").size();  // every row's archive
  auto longName = [&](std::size_t valueLength) {
    std::string name = (valueLength - pathLength - 1) % 2 ? "x" : "";
    while (name.size() < valueLength - pathLength - 1) name += "\x95\x5C";  // ends in a trail byte 0x5C
    return name;
  };
  const struct { std::vector<std::string> place; HRESULT hr; } rows[] = {
      {{" lead", "trail "}, S_OK},
      {{"line\nbreak"}, E_INVALIDARG},
      {{longName(519)}, S_OK},
      {{longName(520)}, HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)},
  };
  int n = 0;
  for (const auto& row : rows) {
    std::string inner;
    std::vector<const char*> names;
    for (const std::string& name : row.place) {
      inner += (inner.empty() ? "" : "\\") + name;
      names.push_back(name.c_str());
    }
    SCOPED_TRACE(inner.substr(0, 20));
    const std::string suffix = std::to_string(n++);
    const std::string archivePath = WriteArchive("r" + suffix + ".arc", {{inner, "x", 0}});
    ComPtr<IzKtrnArchiveObject> archive = Open(archivePath);  // held, so the root resolved to is the same
    ComPtr<IShellFolder> root = Root(archive.Get());
    UniquePidl place = PathList(root.Get(), names);
    ASSERT_EQ(m_link->SetIDList(PlaceList(root.Get(), names).get()), S_OK);
    const std::string file = m_dir.PathOf("r" + suffix + ".lnk");
    m_dir.Write("r" + suffix + ".lnk", "; mine\r\n");
    ASSERT_EQ(SaveTo(m_file.Get(), file, TRUE), row.hr);
    if (row.hr != S_OK) {
      EXPECT_EQ(m_dir.Read("r" + suffix + ".lnk"), "; mine\r\n");
      continue;
    }
    EXPECT_EQ(SavedValue(file), archivePath + "/" + inner);
    ComPtr<IzKtrnArchiveLink> loaded = NewLink();
    ASSERT_EQ(LoadFrom(Query<IPersistFile>(loaded.Get(), IID_IPersistFile).Get(), file), S_OK);
    ComPtr<IUnknown> folder;
    LPITEMIDLIST resolved = nullptr;
    ASSERT_EQ(loaded->Resolve(folder.Put(), &resolved), S_OK);
    UniquePidl list(resolved);
    EXPECT_EQ(folder.Get(), IdentityOf(root.Get())) << "the open archive's root";
    EXPECT_TRUE(list && qor::PidlEqual(list.get(), place.get())) << "the same place";
  }

  // A list that starts inside an archive has no shell part: the desktop's own
  // parsing name stands for the archive file.
  ComPtr<IzKtrnArchiveObject> archive = Open(m_path);
  ASSERT_EQ(m_link->SetIDList(PathList(Root(archive.Get()).Get(), {"docs", "a.txt"}).get()), S_OK);
  EXPECT_EQ(Value(), qor::PidlToPath(nullptr, SHGDN_FORPARSING) + "/docs\\a.txt");

  archive.Reset();
  m_dir.Write("gone.lnk", "[zKtrnArchiveLink]\r\nPath=" + m_path + "/docs\\a.txt\r\n");
  ASSERT_EQ(LoadFrom(m_file.Get(), m_dir.PathOf("gone.lnk")), S_OK);
  m_dir.Remove("x.arc");
  IUnknown* none = reinterpret_cast<IUnknown*>(1);
  LPITEMIDLIST resolved = reinterpret_cast<LPITEMIDLIST>(1);
  EXPECT_EQ(m_link->Resolve(&none, &resolved), E_UNEXPECTED);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(resolved, nullptr);
  EXPECT_EQ(m_link->Resolve(nullptr, &resolved), E_POINTER);
}

}  // namespace
}  // namespace shell_test
