// The icon index service the library calls, against the stand-in and against
// Wine's shell. (Parsing, binding and display names of the desktop are
// exercised through the library's own translation in the itemid tests.)
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "support/TempDirectory.h"

namespace {

int Icon(const char* name, DWORD attributes) {
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(name, attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES)) return -1;
  return info.iIcon;
}

TEST(ShellServices, IconIndicesFollowAttributesAndStayStable) {
  int folder = Icon("", FILE_ATTRIBUTE_DIRECTORY);
  int file = Icon("x.unknownext", FILE_ATTRIBUTE_NORMAL);
  EXPECT_GE(folder, 0);
  EXPECT_GE(file, 0);
  EXPECT_NE(folder, file);
  EXPECT_EQ(Icon("other", FILE_ATTRIBUTE_DIRECTORY), folder) << "folders share one icon whatever their name";
  EXPECT_EQ(Icon("x.unknownext", FILE_ATTRIBUTE_NORMAL), file) << "the same question gives the same index";

  qor::test::TempDirectory dir;
  SHFILEINFOA info{};
  EXPECT_EQ(SHGetFileInfoA(dir.PathOf("missing.ico").c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX), 0u)
      << "without SHGFI_USEFILEATTRIBUTES a missing file has no icon";
}

}  // namespace
