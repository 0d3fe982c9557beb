// qor cat: one stored file, byte for byte, on standard output, found by its
// parsing name and copied out through the folder's data object.
#include <gtest/gtest.h>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

TEST(QorCat, PrintsStoredFilesByteForByte) {
  const std::string text = TextBytes(150000), noise = NoiseBytes(70000, 5);
  Scratch scratch;
  std::string archive = Arg(scratch.WriteArchive("cat.arc", {{"a\\text.txt", text, 0},
                                                              {"a\\b\\noise.bin", noise, 0},
                                                              {"\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt", "news", 0},
                                                              {"empty", "", 0}}));
  const struct { std::string inner, bytes; } rows[] = {
      {"a/text.txt", text},
      {"a\\b\\noise.bin", noise},
      {"a/b\\noise.bin", noise},
      {"\xE3\x81\x8A\xE7\x9F\xA5\xE3\x82\x89\xE3\x81\x9B.txt", "news"},  // お知らせ.txt
      {"empty", ""},
  };
  for (const auto& row : rows) {
    QorRun run = RunQor({"cat", archive, row.inner});
    EXPECT_EQ(0, run.exitCode) << row.inner << "\n" << run.Describe();
    EXPECT_TRUE(run.out == row.bytes) << row.inner << ": " << run.out.size() << " bytes instead of " << row.bytes.size();
    EXPECT_EQ("", run.err) << row.inner;
  }
}

TEST(QorCat, RefusesWhatIsNoStoredFile) {
  const std::string data = TextBytes(3000), stored = Encode(data);
  Scratch scratch;
  std::string archive = Arg(scratch.Write("mixed.arc", AssembleArchive({{"dir\\ok.txt", "fine"},
                                                                        {"bad.bin", stored, 3001}})));
  const struct { std::string inner, message; } rows[] = {
      {"missing.txt", "qor: missing.txt: no such file in the archive"},
      {"dir/missing.txt", "qor: dir/missing.txt: no such file in the archive"},
      {"dir", "qor: dir: is a folder, not a file"},
      {"dir/ok.txt/deeper", "qor: dir/ok.txt/deeper: no such file in the archive"},
      {"", "qor: : is the archive's root folder, not a file"},
      {"../dir/ok.txt", "qor: ../dir/ok.txt: no such file in the archive"},
      {"bad.bin", "qor: bad.bin: damaged: the stored data does not decode to the catalogue's length"},
  };
  for (const auto& row : rows) {
    QorRun run = RunQor({"cat", archive, row.inner});
    EXPECT_EQ(1, run.exitCode) << row.inner << "\n" << run.Describe();
    EXPECT_EQ("", run.out) << row.inner;
    EXPECT_EQ(1u, CountMessages(run.err)) << run.Describe();
    EXPECT_EQ(row.message, Lines(run.err).front()) << run.Describe();
  }
  QorRun run = RunQor({"cat", Arg(scratch.Write("plain.txt", "not an archive")), "x"});
  EXPECT_EQ(1, run.exitCode) << run.Describe();
  EXPECT_EQ(1u, CountMessages(run.err)) << run.Describe();
}

}  // namespace
}  // namespace qor_test
