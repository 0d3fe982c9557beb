// Helpers of the end-to-end tests of the host program: qor run as a child
// process with its exit status and both outputs captured, a scratch folder
// per test, and archives written into it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "archive/ArchiveTestSupport.h"
#include "writer/ArchiveWriter.h"
#include "writer/StreamEncoder.h"

namespace qor_test {

struct QorRun {
  int exitCode = -1;  // meaningful unless the process died
  bool died = false;  // ended by a signal (POSIX) or an exception status (Windows)
  std::string out, err;
  std::string Describe() const;  // for failure messages
};

// qor failed as a script sees it: status 1, nothing on standard output and
// one line on standard error, "qor: " first, holding `says`.
testing::AssertionResult FailedSaying(const QorRun& run, const std::string& says);

// Runs the qor beside this test program with the arguments (UTF-8) in the
// working folder (this process's own when empty). A child that dies rather
// than exits, or reports a sanitizer error, is a test failure of its own.
QorRun RunQor(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder = {});

#ifndef _WIN32
// qor running in the background (qor mount -f), stopped by a signal.
class BackgroundQor {
 public:
  explicit BackgroundQor(const std::vector<std::string>& arguments);
  ~BackgroundQor();  // kills it if still running
  BackgroundQor(const BackgroundQor&) = delete;
  BackgroundQor& operator=(const BackgroundQor&) = delete;

  bool Running() const;
  // Sends the signal and waits for the exit; the run's outputs, checked as
  // RunQor checks them.
  QorRun Stop(int signal);

 private:
  std::filesystem::path m_out, m_err;
  int m_child = 0;  // process id
};
#endif

// A path as qor takes it on its command line: UTF-8.
std::string Arg(const std::filesystem::path& path);
// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);
// Every regular file below a folder by its relative path ("/" between names,
// UTF-8), with its bytes.
std::map<std::string, std::string> FilesBelow(const std::filesystem::path& folder);
std::string ReadFile(const std::filesystem::path& file);

// A fresh folder for one test, removed with its contents afterwards.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  // A path below the folder; relative is UTF-8 with "/" between names.
  std::filesystem::path operator/(const std::string& relative) const;
  // Writes a file, creating its folders; returns its path.
  std::filesystem::path Write(const std::string& relative, const std::string& bytes) const;
  std::filesystem::path WriteArchive(const std::string& relative, const std::vector<qor::ArchiveInput>& inputs) const;

 private:
  std::filesystem::path m_path;
};

// An entry of a hand-assembled archive: data to encode, or (claimedLength
// given) stored bytes taken as they are with the unpacked length the
// catalogue claims.
struct RawInput {
  std::string name;  // CP932
  std::string data;
  std::int64_t claimedLength = -1;
};
std::string AssembleArchive(const std::vector<RawInput>& inputs);

// The stored data of an entry holding data, as the writer encodes it.
inline std::string Encode(const std::string& data) {
  return archive_test::ToString(qor::EncodeEntry(archive_test::Span(data)));
}
// Bytes that compress well and bytes that do not, both of a given length.
inline std::string TextBytes(std::size_t length) { return archive_test::TextLike(length, 1); }
inline std::string NoiseBytes(std::size_t length, unsigned seed) { return archive_test::RandomBytes(length, seed); }

}  // namespace qor_test
