// The commands of qor. Each returns the process's exit status: 0 success,
// 1 failure (after a message on standard error beginning with "qor: ").
#pragma once

#include <string>
#include <vector>

namespace qor::host {

struct ListOptions {
  bool recursive = false;
  bool longFormat = false;
  bool utc = false;  // -l times in UTC rather than local time
  bool stored = false;  // -v: -l with stored sizes and the share saved
  bool json = false;
  std::string archive;
  std::string inner;
};
int RunList(const ListOptions& options);

struct ExtractOptions {
  std::string directory = ".";
  bool overwrite = false;
  bool skipExisting = false;  // quietly, as unzip -n
  bool verbose = false;       // each file written named on standard output
  unsigned workers = 1;  // threads
  std::string archive;
  std::vector<std::string> inner;
};
int RunExtract(const ExtractOptions& options);

struct TestOptions {
  std::string archive;
  bool verbose = false;  // each sound file named on standard output
  unsigned workers = 1;  // threads
};
int RunTest(const TestOptions& options);

struct CatOptions {
  std::string archive;
  std::string inner;
};
int RunCat(const CatOptions& options);

struct LinkOptions {
  bool force = false;
  std::string archive;
  std::string inner;
  std::string link;
};
int RunLink(const LinkOptions& options);
int RunResolve(const std::string& link);

struct PackOptions {
  std::string directory = ".";
  bool verbose = false;  // each file stored named on standard output
  std::string signature = "orblane";
  bool force = false;
  bool best = false;  // the smallest archive the encoder finds, at several times the time
  std::string archive;
  std::vector<std::string> paths;
};
int RunPack(const PackOptions& options);

struct MountOptions {
  bool foreground = false;
  std::vector<std::string> options;  // -o lists: ours (cache_size=, cache_dir=) and FUSE's
  std::string archive;
  std::string mountPoint;
};
// Serves the archive at the mount point until it is unmounted (Linux, FUSE 3).
int RunMount(const MountOptions& options);

// Prints "qor: message" on standard error.
void Complain(const std::string& message);

}  // namespace qor::host
