// Private profile files as the archive link keeps itself: one key of one
// section read and written, everything else in the file left alone.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "support/TempDirectory.h"

namespace {

using qor::test::TempDirectory;

std::string Get(const std::string& file, const char* section, const char* key, const char* fallback = "<none>",
                DWORD size = 64) {
  char value[64] = {};
  DWORD length = GetPrivateProfileStringA(section, key, fallback, value, size, file.c_str());
  EXPECT_EQ(length, std::string(value).size());
  return std::string(value, length);
}

TEST(ProfileFiles, ReadsOneKeyOfOneSection) {
  TempDirectory dir;
  dir.Write("a.ini", "; comment\r\n[First]\r\nPath = C:\\a.arc/x \r\nQuoted=\"q v\"\r\n\r\n[second]\nPath=two\n");
  const std::string file = dir.PathOf("a.ini");
  const struct { const char *section, *key; std::string value; } rows[] = {
      {"First", "Path", "C:\\a.arc/x"},  // blanks around the value go
      {"FIRST", "path", "C:\\a.arc/x"},  // names without regard to case
      {"First", "Quoted", "q v"},
      {"second", "Path", "two"},         // bare line feeds end lines too
      {"First", "Missing", "<none>"},
      {"Third", "Path", "<none>"},
  };
  for (const auto& row : rows) EXPECT_EQ(Get(file, row.section, row.key), row.value) << row.section << "." << row.key;
  EXPECT_EQ(Get(file, "First", "Path", "", 5), "C:\\a") << "cut to the buffer, terminator included";
  EXPECT_EQ(Get(dir.PathOf("missing.ini"), "First", "Path", "fallback  "), "fallback");
}

TEST(ProfileFiles, WritesOneKeyAndKeepsTheRest) {
  TempDirectory dir;
  const std::string file = dir.PathOf("b.ini");
  ASSERT_TRUE(WritePrivateProfileStringA("Link", "Path", "C:\\x.arc/a", file.c_str())) << "made with the file";
  EXPECT_EQ(Get(file, "Link", "Path"), "C:\\x.arc/a");
  ASSERT_TRUE(WritePrivateProfileStringA("Other", "Key", "v", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("link", "PATH", "C:\\y.arc/", file.c_str())) << "replaced in place";
  ASSERT_TRUE(WritePrivateProfileStringA("Link", "Second", "2", file.c_str()));
  EXPECT_EQ(Get(file, "Link", "Path"), "C:\\y.arc/");
  EXPECT_EQ(Get(file, "Link", "Second"), "2");
  EXPECT_EQ(Get(file, "Other", "Key"), "v");
  ASSERT_TRUE(WritePrivateProfileStringA("Link", "Second", nullptr, file.c_str()));
  EXPECT_EQ(Get(file, "Link", "Second"), "<none>") << "a null value removes the key";
  EXPECT_EQ(Get(file, "Link", "Path"), "C:\\y.arc/");

  EXPECT_FALSE(WritePrivateProfileStringA("Link", "Path", "x", dir.PathOf("nowhere\\c.ini").c_str()));
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
