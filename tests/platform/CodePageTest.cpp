// The system code page is 932 on both targets (Wine runs with ja_JP.UTF-8):
// conversions to and from UTF-16. Its lead bytes are checked at every range
// end by the names tests' MbsStepping rows.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/win32.h"
#include "support/SystemText.h"

namespace {

using qor::test::Narrow;
using qor::test::Widen;

TEST(CodePage, RoundTripsBetweenCp932AndUtf16) {
  const struct { const char* what; std::string cp932; std::u16string utf16; } rows[] = {
      {"ascii with backslash and tilde", "a\\b~c", u"a\\b~c"},
      {"half-width katakana", "\xB1\xDE", u"\uFF71\uFF9E"},
      {"kanji whose trail byte is 0x5C", "\x95\x5C.txt", u"\u8868.txt"},
      {"circled digit of the vendor rows", "\x87\x40", u"\u2460"},
      {"empty", "", u""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(std::tuple(Widen(row.cp932), Narrow(row.utf16)), std::tie(row.utf16, row.cp932)) << row.what;
  }
}

TEST(CodePage, TerminatorsShortBuffersAndTheDefaultCharacter) {
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x95\x5C", -1, nullptr, 0), 2) << "the terminator is counted";
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(u"\u8868"), -1, nullptr, 0, nullptr, nullptr), 3);
  WCHAR buffer[2];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, buffer, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  BOOL usedDefault = FALSE;
  EXPECT_EQ(Narrow(u"a\u0E01b", &usedDefault), "a?b") << "a character outside code page 932";
  EXPECT_TRUE(usedDefault);
}

}  // namespace
