// The registry of open archives: case-insensitive keys, first entry kept,
// no normalisation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/OpenArchives.h"

namespace {

using namespace qor;

// Stand-ins for archive objects: the registry stores the pointers and never
// follows them.
int g_objects[3];
CzKtrnArchiveObject* Object(int n) { return reinterpret_cast<CzKtrnArchiveObject*>(&g_objects[n]); }

class OpenArchives : public testing::Test {
 protected:
  bool Register(const std::string& path, CzKtrnArchiveObject* object) {
    bool added = RegisterArchive(path.c_str(), object);
    if (added) m_registered.emplace_back(path, object);
    return added;
  }
  void TearDown() override {
    for (const auto& [path, object] : m_registered) UnregisterArchive(path.c_str(), object);
  }
  std::vector<std::pair<std::string, CzKtrnArchiveObject*>> m_registered;
};

// Paths are found without regard to letter case, and only to it; an equal
// key is registered once, and unregistered under any case by the object it
// holds alone.
TEST_F(OpenArchives, KeysIgnoreLetterCaseAndNothingElse) {
  ASSERT_TRUE(Register("C:\\Data\\A.ARC", Object(0)));
  // 0x83 0x41 and 0x83 0x61 are two katakana; their trail bytes are no letters.
  ASSERT_TRUE(Register("C:\\\x83\x41.arc", Object(1)));
  const struct { const char* path; CzKtrnArchiveObject* found; } rows[] = {
      {"C:\\DATA\\a.Arc", Object(0)},
      {"C:/Data/A.ARC", nullptr},
      {"C:\\Data\\A.ARC ", nullptr},
      {"C:\\Data\\A.AR", nullptr},
      {"", nullptr},
      {nullptr, nullptr},
      {"c:\\\x83\x41.ARC", Object(1)},
      {"C:\\\x83\x61.arc", nullptr},
  };
  for (const auto& row : rows) EXPECT_EQ(FindArchive(row.path), row.found) << (row.path ? row.path : "(null)");

  EXPECT_FALSE(Register("c:\\data\\a.arc", Object(2)));
  EXPECT_EQ(FindArchive("C:\\Data\\A.ARC"), Object(0)) << "the first entry is kept";
  EXPECT_FALSE(RegisterArchive(nullptr, Object(2)));
  EXPECT_FALSE(UnregisterArchive("C:\\C.ARC", Object(0)));
  EXPECT_FALSE(UnregisterArchive(nullptr, Object(0)));
  EXPECT_FALSE(UnregisterArchive("C:\\Data\\A.ARC", Object(2))) << "only the entry that holds the object";
  EXPECT_EQ(FindArchive("C:\\Data\\A.ARC"), Object(0));
  EXPECT_TRUE(UnregisterArchive("c:\\DATA\\a.arc", Object(0)));
  EXPECT_EQ(FindArchive("C:\\Data\\A.ARC"), nullptr);
  EXPECT_EQ(FindArchive("C:\\\x83\x41.arc"), Object(1)) << "the other entries stay";
  EXPECT_TRUE(Register("C:\\data\\a.arc", Object(2))) << "the path can be bound afresh";
  EXPECT_EQ(FindArchive("C:\\DATA\\A.ARC"), Object(2));
}

}  // namespace
