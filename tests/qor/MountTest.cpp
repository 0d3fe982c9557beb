// qor mount under a real FUSE mount: the mounted tree against qor extract of
// the same archive, reads at any offset and from several threads at once,
// names shown escaped, read-only answers, damaged entries and a clean
// unmount. Where this machine cannot mount (no /dev/fuse, no fusermount3)
// the tests say so and skip.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <map>
#include <optional>
#include <thread>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

bool MountedAt(const std::filesystem::path& point) {
  struct stat inside {}, parent {};
  return ::stat(point.c_str(), &inside) == 0 && ::stat(point.parent_path().c_str(), &parent) == 0 &&
         inside.st_dev != parent.st_dev;
}

// qor mount -f of an archive at a fresh mount point, unmounted at the end.
class Mount {
 public:
  Mount(const Scratch& scratch, const std::filesystem::path& archive, const std::string& options = {})
      : m_point(scratch / "mnt") {
    std::filesystem::create_directories(m_point);
    std::vector<std::string> arguments{"mount", "-f", Arg(archive), Arg(m_point)};
    if (!options.empty()) arguments.insert(arguments.begin() + 2, {"-o", options});
    m_qor = std::make_unique<BackgroundQor>(arguments);
    for (int tries = 0; tries < 200 && m_qor->Running() && !MountedAt(m_point); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ~Mount() {
    if (m_qor && m_qor->Running()) Stop(SIGTERM);
    if (MountedAt(m_point)) std::system(("fusermount3 -u -z '" + m_point.string() + "'").c_str());
  }
  bool Ready() const { return MountedAt(m_point); }
  const std::filesystem::path& Point() const { return m_point; }
  QorRun Stop(int signal) { return m_qor->Stop(signal); }

 private:
  std::filesystem::path m_point;
  std::unique_ptr<BackgroundQor> m_qor;
};

class QorMount : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* given = std::getenv("ASAN_OPTIONS");
    m_asanOptions = given ? std::optional<std::string>(given) : std::nullopt;
    if (::access("/dev/fuse", R_OK | W_OK) != 0 || std::system("command -v fusermount3 >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "this machine cannot mount with FUSE (no /dev/fuse or no fusermount3)";
    // libfuse's threaded loop can leave a worker of its own unfreed when the
    // mount ends; leak reports of the qor processes started here would be
    // about that, so they are off. Every other sanitizer check stays.
    setenv("ASAN_OPTIONS", (m_asanOptions.value_or("") + ":detect_leaks=0").c_str(), 1);
  }
  void TearDown() override {
    if (m_asanOptions)
      setenv("ASAN_OPTIONS", m_asanOptions->c_str(), 1);
    else
      unsetenv("ASAN_OPTIONS");
  }
  Scratch scratch;

 private:
  std::optional<std::string> m_asanOptions;
};

std::string ReadAt(const std::filesystem::path& file, off_t offset, size_t length, int& error) {
  std::string bytes(length, '\0');
  int descriptor = ::open(file.c_str(), O_RDONLY);
  ssize_t got = descriptor < 0 ? -1 : ::pread(descriptor, bytes.data(), length, offset);
  error = got < 0 ? errno : 0;
  if (descriptor >= 0) ::close(descriptor);
  bytes.resize(got < 0 ? 0 : static_cast<size_t>(got));
  return bytes;
}

const std::string kText = TextBytes(300000), kNoise = NoiseBytes(1500000, 3);

std::vector<qor::ArchiveInput> TreeInputs() {
  return {{"readme.txt", "read me\n", 1000000000},
          {"docs\\guide.txt", kText, 1700000000},
          {"docs\\api\\noise.bin", kNoise, 86400},
          {"docs\\\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt", "news", 0},  // お知らせ.txt
          {"\x95\x5C\\empty.dat", "", 5}};                              // 表
}

// In the foreground (-f) and, after that, in the background; at a mount
// point that is not there, not at all.
TEST_F(QorMount, ShowsWhatExtractionWritesReadOnlyWithItsSizesTimesAndModes) {
  std::filesystem::path archive = scratch.WriteArchive("tree.arc", TreeInputs());
  EXPECT_TRUE(FailedSaying(RunQor({"mount", "-f", Arg(archive), Arg(scratch / "none")}), "none"));
  ASSERT_EQ(0, RunQor({"extract", "-C", Arg(scratch / "out"), Arg(archive)}).exitCode);
  Mount mount(scratch, archive);
  ASSERT_TRUE(mount.Ready());
  EXPECT_EQ(FilesBelow(scratch / "out"), FilesBelow(mount.Point()));

  const struct {
    const char* path;
    bool folder;
    off_t size;
    time_t mtime;
  } rows[] = {
      {"docs", true},
      {"docs/api/noise.bin", false, 1500000, 86400},
      {"docs/\xE3\x81\x8A\xE7\x9F\xA5\xE3\x82\x89\xE3\x81\x9B.txt", false, 4, 0},
      {"\xE8\xA1\xA8/empty.dat", false, 0, 5},
  };
  struct stat archiveStatus {};
  ASSERT_EQ(0, ::stat(archive.c_str(), &archiveStatus));
  for (const auto& row : rows) {
    struct stat status {};
    ASSERT_EQ(0, ::stat((mount.Point() / row.path).c_str(), &status)) << row.path;
    EXPECT_EQ(row.folder ? S_IFDIR | 0555 : S_IFREG | 0444, status.st_mode) << row.path;
    EXPECT_EQ(row.folder ? archiveStatus.st_mtime : row.mtime, status.st_mtime) << row.path;
    if (!row.folder) {
      EXPECT_EQ(row.size, status.st_size) << row.path;
      EXPECT_EQ((row.size + 511) / 512, status.st_blocks) << row.path;
    }
  }
  // Reads at any offset, the end and beyond it.
  for (off_t offset : {off_t{0}, off_t{1}, off_t{4095}, off_t{65537}, off_t{299990}, off_t{300000}, off_t{400000}}) {
    int error = 0;
    std::string got = ReadAt(mount.Point() / "docs/guide.txt", offset, 20000, error);
    EXPECT_EQ(0, error);
    EXPECT_EQ(offset < 300000 ? kText.substr(static_cast<size_t>(offset), 20000) : "", got) << offset;
  }
  // Writes are refused as read-only and change nothing: one qor refuses
  // itself (open), one its handler refuses (create), and one that only the
  // kernel's read-only mount refuses (chmod).
  const std::string file = (mount.Point() / "readme.txt").string();
  const auto refused = [](int result) { return result == -1 && errno == EROFS; };
  EXPECT_TRUE(refused(::open(file.c_str(), O_WRONLY))) << "open for writing";
  EXPECT_TRUE(refused(::open((mount.Point() / "docs/new").c_str(), O_WRONLY | O_CREAT, 0644))) << "create";
  EXPECT_TRUE(refused(::chmod(file.c_str(), 0644))) << "chmod";
  EXPECT_EQ(FilesBelow(scratch / "out"), FilesBelow(mount.Point()));
  // fusermount3 -u ends the mount process as cleanly as a signal does.
  ASSERT_EQ(0, std::system(("fusermount3 -u '" + mount.Point().string() + "'").c_str()));
  QorRun run = mount.Stop(0);  // already ending: waits for it
  EXPECT_EQ(0, run.exitCode) << run.Describe();
  EXPECT_EQ("", run.err);
  // Without -f, qor returns once mounted and serves the mount from the background.
  QorRun background = RunQor({"mount", Arg(archive), Arg(mount.Point())});
  ASSERT_EQ(0, background.exitCode) << background.Describe();
  EXPECT_EQ(FilesBelow(scratch / "out"), FilesBelow(mount.Point()));
  EXPECT_EQ(0, std::system(("fusermount3 -u '" + mount.Point().string() + "'").c_str()));
  EXPECT_FALSE(MountedAt(mount.Point()));
}

TEST_F(QorMount, ServesReadersOfManyFilesAtOnceWithinASmallCache) {
  std::vector<qor::ArchiveInput> inputs;
  for (int i = 0; i < 24; ++i) inputs.push_back({"f" + std::to_string(i) + ".bin", NoiseBytes(100000 + i, i), 0});
  Mount mount(scratch, scratch.WriteArchive("many.arc", inputs), "cache_size=256K");
  ASSERT_TRUE(mount.Ready());
  std::vector<std::string> mismatches(8);
  std::vector<std::thread> readers;
  for (size_t t = 0; t < mismatches.size(); ++t)
    readers.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round)
        for (size_t i = t; i < inputs.size(); i += 3) {
          int error = 0;
          off_t offset = static_cast<off_t>(round * 7919 + i);
          if (ReadAt(mount.Point() / inputs[i].name, offset, 50000, error) !=
              inputs[i].data.substr(static_cast<size_t>(offset), 50000))
            mismatches[t] += inputs[i].name + " at " + std::to_string(offset) + "; ";
        }
    });
  for (std::thread& reader : readers) reader.join();
  for (const std::string& mismatch : mismatches) EXPECT_EQ("", mismatch);
}

// Names that cannot be a path component are shown escaped ("/" separates
// names inside an archive as "\\" does, so it never reaches a name); a
// damaged file reads as an error, logged once; each signal that ends a
// mount in the foreground ends it cleanly.
TEST_F(QorMount, ShowsOddNamesEscapedAndReadsADamagedFileAsAnErrorLoggedOnce) {
  const auto archive = scratch.Write("odd.arc", AssembleArchive({{"ok.txt", "fine"},
                                                                 {"d\\bad.bin", Encode(TextBytes(3000)), 3001},
                                                                 {"a/b", "slash"},
                                                                 {"\x80x", "not cp932"},
                                                                 {"dup", "first"},
                                                                 {"dup", "second"},
                                                                 {"%41", "kept as typed"},
                                                                 {"\\f.txt", "under an empty name"},
                                                                 {"d\\.", "dot"},
                                                                 {"d\\..", "dot dot"}}));
  const std::map<std::string, std::string> expected{
      {"ok.txt", "fine"}, {"a/b", "slash"}, {"%80x", "not cp932"}, {"dup", "first"}, {"%41", "kept as typed"},
      {"%/f.txt", "under an empty name"}, {"d/%2E", "dot"}, {"d/%2E%2E", "dot dot"}};
  for (int signal : {SIGINT, SIGTERM}) {
    Mount mount(scratch, archive);
    ASSERT_TRUE(mount.Ready());
    for (int attempt = 0; attempt < 3; ++attempt) {
      int error = 0;
      EXPECT_EQ("", ReadAt(mount.Point() / "d/bad.bin", 0, 100, error));
      EXPECT_EQ(EIO, error);
    }
    std::map<std::string, std::string> shown;  // every file but the damaged one
    for (const auto& entry : std::filesystem::recursive_directory_iterator(mount.Point()))
      if (entry.is_regular_file() && entry.path().filename() != "bad.bin")
        shown[Arg(entry.path().lexically_relative(mount.Point()))] = ReadFile(entry.path());
    EXPECT_EQ(expected, shown);
    QorRun run = mount.Stop(signal);
    EXPECT_EQ(0, run.exitCode) << signal << "\n" << run.Describe();
    EXPECT_EQ(std::vector<std::string>{"qor: mount: d/bad.bin: damaged: the stored data does not decode to the catalogue's length"},
              Lines(run.err));
    EXPECT_FALSE(MountedAt(mount.Point()));
  }
}

}  // namespace
}  // namespace qor_test
