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

TEST(ProfileFiles, ReadsAndWritesOneKeyOfOneSectionAndKeepsTheRest) {
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

  const std::string written = dir.PathOf("b.ini");
  ASSERT_TRUE(WritePrivateProfileStringA("Link", "Path", "C:\\x.arc/a", written.c_str())) << "made with the file";
  EXPECT_EQ(Get(written, "Link", "Path"), "C:\\x.arc/a");
  ASSERT_TRUE(WritePrivateProfileStringA("Other", "Key", "v", written.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("link", "PATH", "C:\\y.arc/", written.c_str())) << "replaced in place";
  ASSERT_TRUE(WritePrivateProfileStringA("Link", "Second", "2", written.c_str()));
  EXPECT_EQ(Get(written, "Link", "Path"), "C:\\y.arc/");
  EXPECT_EQ(Get(written, "Link", "Second"), "2");
  EXPECT_EQ(Get(written, "Other", "Key"), "v");
  ASSERT_TRUE(WritePrivateProfileStringA("Link", "Second", nullptr, written.c_str()));
  EXPECT_EQ(Get(written, "Link", "Second"), "<none>") << "a null value removes the key";
  EXPECT_EQ(Get(written, "Link", "Path"), "C:\\y.arc/");

  EXPECT_FALSE(WritePrivateProfileStringA("Link", "Path", "x", dir.PathOf("nowhere\\c.ini").c_str()));
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
