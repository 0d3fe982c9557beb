// Schemes, sites, ftp URLs taken apart and written out, and the sameness of
// two locations. In the rows a backslash is one byte 0x5C, and "\x95\x5C" is
// a kanji whose second byte is 0x5C.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "names/ByteText.h"
#include "names/FtpUrl.h"
#include "names/UrlLocations.h"

namespace {

using names_test::Show;

TEST(Schemes, IndexOfTheFirstMatchingPrefix) {
  const struct { std::string text; int index; } rows[] = {
      {"HTTP://h", 0}, {"https://h", 1}, {"tn3270:h", 10}, {"foo:bar", -2}, {":x", -2},
      {"C:\\x", -1},   {"http", -1},     {"", -1},         {"htt\x95\x5C:x", -1},
  };
  for (const auto& row : rows) EXPECT_EQ(qor::GetSchemeIndex(row.text), row.index) << Show(row.text);
}

TEST(Sites, SiteAndPathOfEachKindOfUrl) {
  const std::string longHost = "http://" + std::string(300, 'h') + "/a";
  const struct { std::string url, site, path; } rows[] = {
      {"http://h/a/b", "http://h", "/a/b"},
      {"http://h", "http://h/", ""},  // no path: the site gains a slash
      {"http://", "", "http://"}, {"http://\x95\x5C/x", "http://\x95\x5C", "/x"},
      {"ftp://u:p@h/d", "ftp://u:p@h", "/d"},
      {"news:comp.x", "news:comp.x", ""}, {"foo:/a/b", "foo:/a/b", ""}, {"C:\\a", "C:\\a", ""},
      {"file:///C:/x/y", "file:///C:", "/x/y"}, {"file://srv/share/x", "file://srv/share", "/x"},
      {"file:C:\\x", "file:C:", "\\x"}, {"file:/x", "file:", "/x"},
      {longHost, longHost, ""},  // a host past MAX_PATH bytes is not looked for
  };
  for (const auto& row : rows) {
    std::string site = "stale", path = "stale";
    qor::GetUrlSite(row.url, site);
    EXPECT_EQ(site, row.site) << Show(row.url);
    qor::SplitUrl(row.url, site, path);
    EXPECT_EQ(std::tie(site, path), std::tie(row.site, row.path)) << Show(row.url);
  }
}

// Build writes every part back but the type.
TEST(FtpUrls, PartsLandInTheirFieldsAndAreBuiltAgain) {
  const struct { std::string url, user, password, host, port, path, type; int flags; std::string built; } rows[] = {
      {"ftp://me:secret@h:21/d/f;type=i", "me", "secret", "h", "21", "d/f", "type=i", 0xFF, "ftp://me:secret@h:21/d/f"},
      {"ftp://:pw@h:21/d", "", "pw", "h", "21", "d", "", 0xDF, "ftp://:pw@h:21/d"},
      {"ftp://h", "", "", "h", "", "", "", 0x07, "ftp://h/"},
      {"ftp:h/d", "", "", "", "", "", "", 0x03, "ftp:///"},
      {"ftp://@h/", "", "", "h", "", "", "", 0x57, "ftp://h/"},
      {"ftp", "", "", "", "", "", "", 0x01, "ftp:///"},
      {"ftp://h/a;b;c", "", "", "h", "", "a", "b;c", 0x37, "ftp://h/a"},
      {"ftp://a@b@h/", "a", "", "b@h", "", "", "", 0x57, "ftp://a@b@h/"},  // the first '@' ends the user information
      {"ftp://h/\x95\x5C;t", "", "", "h", "", "\x95\x5C", "t", 0x37, "ftp://h/\x95\x5C"},
  };
  for (const auto& row : rows) {
    qor::CFtpUrl url;
    url.Parse(row.url);
    EXPECT_EQ(std::tuple(url.GetScheme(), url.m_strUser, url.m_strPassword, url.m_strHost, url.m_strPort,
                         url.m_strPath, url.m_strType, url.m_nFlags, url.Build()),
              std::tuple("ftp", row.user, row.password, row.host, row.port, row.path, row.type, row.flags, row.built))
        << row.url;
  }
}

// Two URLs compare their sites without case and their paths exactly; two
// paths compare as file names. That a location is the same as itself, and
// that the order of the two does not matter, is names_fuzz's to check.
TEST(Sameness, UrlsBySiteAndPathAndPathsAsFileNames) {
  const std::string longPath(260, 'a'), longUpper(260, 'A');
  const struct { std::string a, b; int same; } rows[] = {
      {"http://h/a", "HTTP://H/a", 1}, {"http://h/a", "http://h/A", 0}, {"http://h\\a", "http://h/a", 1},
      {"ftp://me:pw@h/d;type=i", "ftp://h/d", 1},
      {"http://h", "http://h/", 0}, {"http://h/a", "https://h/a", 0}, {"http://h/a", "C:\\a", 0},
      {"foo:x", "FOO:X", 1}, {"file:///C:/a", "FILE:///c:/a", 1},
      {"C:\\A\\b.txt", "c:\\a\\B.TXT", 1}, {"a\x95\x5C", "A\x95\x5C", 1},
      {"C:\\a", "C:/a", 0},         // separators are bytes like any other here
      {"\x82\x60", "\x82\x81", 0},  // full-width letters are not folded
      {longPath, longUpper, 0},  // MAX_PATH bytes or more: byte for byte
  };
  for (const auto& row : rows)
    EXPECT_EQ(qor::IsSameLocation(row.a, row.b), row.same) << Show(row.a) << " ~ " << Show(row.b);
}

}  // namespace
