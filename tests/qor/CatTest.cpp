// qor cat: one stored file, byte for byte, on standard output, found by its
// parsing name and copied out through the folder's data object; what is no
// stored file is refused with one message naming it.
#include <gtest/gtest.h>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

TEST(QorCat, PrintsStoredFilesByteForByteAndRefusesWhatIsNone) {
  const std::string text = TextBytes(150000), noise = NoiseBytes(70000, 5), damaged = Encode(TextBytes(3000));
  Scratch scratch;
  std::string archive = Arg(scratch.Write("cat.arc", AssembleArchive({{"a\\text.txt", text},
                                                                       {"a\\b\\noise.bin", noise},
                                                                       {"\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt", "news"},
                                                                       {"empty", ""},
                                                                       {"bad.bin", damaged, 3001}})));
  // A row with a message is refused with it; the others print their bytes.
  const struct { std::string inner, bytes, message; } rows[] = {
      {"a/text.txt", text},
      {"a/b\\noise.bin", noise},
      {"\xE3\x81\x8A\xE7\x9F\xA5\xE3\x82\x89\xE3\x81\x9B.txt", "news"},  // お知らせ.txt
      {"empty", ""},
      {"a/missing.txt", "", "qor: a/missing.txt: no such file in the archive"},
      {"a/b", "", "qor: a/b: is a folder, not a file"},
      {"a/text.txt/deeper", "", "qor: a/text.txt/deeper: no such file in the archive"},
      {"", "", "qor: : is the archive's root folder, not a file"},
      {"../a/text.txt", "", "qor: ../a/text.txt: no such file in the archive"},
      {"bad.bin", "", "qor: bad.bin: damaged: the stored data does not decode to the catalogue's length"},
  };
  for (const auto& row : rows) {
    QorRun run = RunQor({"cat", archive, row.inner});
    if (!row.message.empty()) {
      EXPECT_TRUE(FailedSaying(run, row.message)) << row.inner;
      continue;
    }
    EXPECT_EQ(0, run.exitCode) << row.inner << "\n" << run.Describe();
    EXPECT_TRUE(run.out == row.bytes) << row.inner << ": " << run.out.size() << " bytes instead of " << row.bytes.size();
    EXPECT_EQ("", run.err) << row.inner;
  }
}

}  // namespace
}  // namespace qor_test
