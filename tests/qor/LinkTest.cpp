// qor link and qor resolve: a place inside an archive saved as a link file
// and found again through it.
#include <gtest/gtest.h>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

// Each place is linked and resolved; then the archive changes under the
// links, and a place no longer in it resolves to the part of it that is, and
// qor says which name is missing rather than print the part.
TEST(QorLink, SavesAPlaceResolvesItAgainAndRefusesWhatItCannot) {
  Scratch scratch;
  std::string archive = Arg(scratch.WriteArchive(
      "linked.arc", {{"docs\\a.txt", "a", 0}, {"docs\\\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt", "n", 0}, {"top", "t", 0}}));
  const struct { std::vector<std::string> inner; std::string resolved; } rows[] = {
      {{"docs/a.txt"}, "docs/a.txt"},
      {{"top"}, "top"},
      {{"docs"}, "docs"},
      {{"docs/\xE3\x81\x8A\xE7\x9F\xA5\xE3\x82\x89\xE3\x81\x9B.txt"}, "docs/\xE3\x81\x8A\xE7\x9F\xA5\xE3\x82\x89\xE3\x81\x9B.txt"},
      {{}, "/"},  // the archive's root
  };
  int n = 0;
  for (const auto& row : rows) {
    std::filesystem::path link = scratch / ("place" + std::to_string(n++) + ".lnk");
    std::vector<std::string> arguments = {"link", "-o", Arg(link), archive};
    arguments.insert(arguments.end(), row.inner.begin(), row.inner.end());
    QorRun made = RunQor(arguments);
    ASSERT_EQ(0, made.exitCode) << made.Describe();
    EXPECT_NE(std::string::npos, ReadFile(link).find("[zKtrnArchiveLink]"));
    QorRun resolved = RunQor({"resolve", Arg(link)});
    EXPECT_EQ(0, resolved.exitCode) << resolved.Describe();
    EXPECT_EQ(std::vector<std::string>{row.resolved}, Lines(resolved.out)) << resolved.Describe();
  }
  scratch.WriteArchive("linked.arc", {{"docs\\other.txt", "o", 0}});
  EXPECT_TRUE(FailedSaying(RunQor({"resolve", Arg(scratch / "place0.lnk")}), "no a.txt in docs"));
  EXPECT_TRUE(FailedSaying(RunQor({"resolve", Arg(scratch / "place1.lnk")}), "no top at its top"));

  // Nothing is linked to a place that is not there, nor over a file that is,
  // nor into a missing folder; a link that is no archive link, names no
  // archive, or leads to one that is gone is refused.
  std::string existing = Arg(scratch.Write("mine.txt", "my own notes"));
  EXPECT_TRUE(FailedSaying(RunQor({"link", "-o", existing, archive, "docs"}), "mine.txt"));
  EXPECT_EQ("my own notes", ReadFile(scratch / "mine.txt")) << "an existing file is not touched";
  EXPECT_TRUE(FailedSaying(RunQor({"link", "-o", Arg(scratch / "x.lnk"), archive, "docs/missing"}), "docs/missing"));
  EXPECT_FALSE(std::filesystem::exists(scratch / "x.lnk"));
  EXPECT_TRUE(FailedSaying(RunQor({"link", "-o", Arg(scratch / "no/such/x.lnk"), archive, "docs"}),
                           "x.lnk: no such folder"));

  scratch.Write("gone.lnk", "[zKtrnArchiveLink]\r\nPath=" + std::string("Z:\\no\\such.arc") + "/a\r\n");
  scratch.Write("nothing.lnk", "[other]\r\nPath=x/y\r\n");
  scratch.Write("noarchive.lnk", "[zKtrnArchiveLink]\r\nPath=a\\b.txt\r\n");
  const struct { const char* file; const char* message; } refused[] = {
      {"nothing.lnk", "not an archive link"},
      {"noarchive.lnk", "the link names no archive"},
      {"gone.lnk", "the linked archive is missing or is not an archive"},
  };
  for (const auto& link : refused)
    EXPECT_TRUE(FailedSaying(RunQor({"resolve", Arg(scratch / link.file)}), link.message)) << link.file;
}

}  // namespace
}  // namespace qor_test
