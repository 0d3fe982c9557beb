// Clipboard format names, as the data object offers stored files to a
// consumer. Global memory blocks and streams over them are exercised by the
// data object's tests (tests/shell/DataObjectTest.cpp) and the stand-in's
// balances (PosixStandInTest.cpp).
#include <gtest/gtest.h>

#include "platform/win32.h"

namespace {

TEST(ClipboardFormats, OneNumberPerNameWhateverItsCase) {
  UINT contents = RegisterClipboardFormatA("FileContents");
  EXPECT_GE(contents, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormatA("FILECONTENTS"), contents);
  UINT descriptor = RegisterClipboardFormatA("FileGroupDescriptor");
  EXPECT_GE(descriptor, 0xC000u);
  EXPECT_NE(descriptor, contents);
}

}  // namespace
