// qor mount: the archive as a read-only folder of the file system, through
// FUSE 3, showing exactly what a host of the library sees: the tree comes
// from the archive object's folders and enumerators, the bytes from its
// extraction.
//
// Threads: FUSE serves requests on several threads. The library's folders
// and enumerators belong to one thread at a time, so the tree (and every
// call into a folder) is behind one lock; listing a folder happens once, and
// a look-up after that is a hash look-up under the lock. Extraction through
// the archive object may run on several threads at once, so decoding, the
// slow part, runs without the tree's lock: readers of different files are
// served side by side.
#define FUSE_USE_VERSION 31
#include <fuse.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "ArchiveSession.h"
#include "Commands.h"
#include "DecodedCache.h"
#include "MountTree.h"
#include "Text.h"
#include "Walk.h"

namespace qor::host {
namespace {

struct OpenFile;

struct MountState {
  ArchiveSession session;
  std::unique_ptr<MountTree> tree;
  std::unique_ptr<DecodedCache> cache;
  timespec folderTime{};  // folders show the archive file's own time
  uid_t owner = 0;
  gid_t group = 0;
  bool foreground = false;
  // Every open file, by the handle the kernel holds: a release the loop
  // did not get to before the mount ended is freed with the state.
  std::mutex openLock;
  std::unordered_map<const OpenFile*, std::unique_ptr<OpenFile>> open;
};

// An open file: its node, and its decoded bytes from the first read on.
struct OpenFile {
  MountNode node;
  std::mutex lock;
  std::shared_ptr<DecodedFile> bytes;
};

MountState& State() { return *static_cast<MountState*>(fuse_get_context()->private_data); }

// One line about one file, on standard error in the foreground and in the
// system log once the mount runs in the background.
void Log(const MountState& state, const std::string& message) {
  if (state.foreground)
    Complain("mount: " + message);
  else
    syslog(LOG_ERR, "qor: mount: %s", message.c_str());
}

timespec TimeOf(const FILETIME& time) { return timespec{static_cast<time_t>(UnixSeconds(time)), 0}; }

void Describe(const MountState& state, const MountNode& node, struct stat& status) {
  status = {};
  status.st_uid = state.owner;
  status.st_gid = state.group;
  status.st_nlink = 1;  // a folder's sub-folders not counted, so tools do not guess from it
  if (node.folder) {
    status.st_mode = S_IFDIR | 0555;
    status.st_mtim = state.folderTime;
  } else {
    status.st_mode = S_IFREG | 0444;
    status.st_size = node.size;
    status.st_blocks = (static_cast<blkcnt_t>(node.size) + 511) / 512;
    status.st_mtim = TimeOf(node.time);
  }
  status.st_atim = status.st_ctim = status.st_mtim;
  status.st_blksize = 65536;
}

int GetAttributes(const char* path, struct stat* status, fuse_file_info*) {
  MountState& state = State();
  MountNode node;
  if (int error = state.tree->Find(path, node)) return error;
  Describe(state, node, *status);
  return 0;
}

int ReadFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
               fuse_readdir_flags flags) {
  MountState& state = State();
  std::vector<std::pair<std::string, MountNode>> children;
  if (int error = state.tree->List(path, children)) return error;
  fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags{});
  fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags{});
  auto plus = (flags & FUSE_READDIR_PLUS) ? FUSE_FILL_DIR_PLUS : fuse_fill_dir_flags{};
  for (const auto& [name, node] : children) {
    struct stat status;
    Describe(state, node, status);
    if (fill(buffer, name.c_str(), &status, 0, plus)) return -ENOMEM;
  }
  return 0;
}

int Open(const char* path, fuse_file_info* info) {
  if ((info->flags & O_ACCMODE) != O_RDONLY || (info->flags & O_TRUNC)) return -EROFS;
  auto file = std::make_unique<OpenFile>();
  if (int error = State().tree->Find(path, file->node)) return error;
  if (file->node.folder) return -EISDIR;
  info->fh = reinterpret_cast<uintptr_t>(file.get());
  MountState& state = State();
  std::lock_guard<std::mutex> hold(state.openLock);
  state.open.emplace(file.get(), std::move(file));
  return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info* info) {
  MountState& state = State();
  auto& file = *reinterpret_cast<OpenFile*>(info->fh);
  std::shared_ptr<DecodedFile> bytes;
  {
    std::lock_guard<std::mutex> hold(file.lock);
    if (!file.bytes) {
      std::string failure;
      file.bytes = state.cache->Get(file.node.index, file.node.size, failure);
      if (!failure.empty()) Log(state, std::string(path + 1) + ": " + failure);
    }
    bytes = file.bytes;
  }
  if (!bytes) return -EIO;
  return static_cast<int>(bytes->Read(buffer, size, static_cast<std::uint64_t>(offset)));
}

int Release(const char*, fuse_file_info* info) {
  MountState& state = State();
  std::unique_ptr<OpenFile> file;
  {
    std::lock_guard<std::mutex> hold(state.openLock);
    auto found = state.open.find(reinterpret_cast<const OpenFile*>(info->fh));
    if (found == state.open.end()) return 0;
    file = std::move(found->second);
    state.open.erase(found);
  }
  if (file->bytes) state.cache->Release(file->bytes);
  return 0;
}

// Nothing in the mount ever changes, so the kernel may keep names,
// attributes and absent names for as long as it likes.
void* Start(fuse_conn_info* connection, fuse_config* config) {
  config->entry_timeout = config->attr_timeout = config->negative_timeout = 24 * 3600;
  config->kernel_cache = 1;
  // Listings always carry attributes, so that the kernel knows every name
  // of a folder once it has listed it: `du`, `ls -l` and `cp -r` after a
  // listing then make no round trip per name.
  connection->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
  return fuse_get_context()->private_data;
}

int ReadOnly() { return -EROFS; }

fuse_operations Operations() {
  fuse_operations operations{};
  operations.init = Start;
  operations.getattr = GetAttributes;
  operations.readdir = ReadFolder;
  operations.open = Open;
  operations.read = Read;
  operations.release = Release;
  // The mount is read-only in the kernel already; these answer the same
  // should a request get through.
  operations.mkdir = [](const char*, mode_t) { return ReadOnly(); };
  operations.unlink = [](const char*) { return ReadOnly(); };
  operations.rmdir = [](const char*) { return ReadOnly(); };
  operations.rename = [](const char*, const char*, unsigned) { return ReadOnly(); };
  operations.create = [](const char*, mode_t, fuse_file_info*) { return ReadOnly(); };
  operations.truncate = [](const char*, off_t, fuse_file_info*) { return ReadOnly(); };
  return operations;
}

// "256M", "1G", "4096": a byte count; false when it is none.
bool ParseSize(const std::string& text, std::uint64_t& bytes) {
  char* end = nullptr;
  errno = 0;
  unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (errno || end == text.c_str() || text[0] == '-') return false;
  std::string unit(end);
  int shift = unit.empty() ? 0 : unit == "K" ? 10 : unit == "M" ? 20 : unit == "G" ? 30 : -1;
  if (shift < 0 || value > (~0ULL >> shift)) return false;
  bytes = value << shift;
  return true;
}

struct MountSettings {
  std::uint64_t cacheBytes = 256ULL << 20;
  std::filesystem::path cacheFolder;
  std::string fuseOptions = "ro,default_permissions,fsname=qor,subtype=qor";
};

// Our own options out of -o, the rest handed to FUSE as they are.
bool ParseOptions(const std::vector<std::string>& given, MountSettings& settings, std::string& error) {
  std::error_code ignored;
  settings.cacheFolder = std::filesystem::temp_directory_path(ignored);
  for (const std::string& list : given) {
    size_t start = 0;
    while (start <= list.size()) {
      size_t comma = list.find(',', start);
      std::string option = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      start = comma == std::string::npos ? list.size() + 1 : comma + 1;
      if (option.rfind("cache_size=", 0) == 0) {
        if (!ParseSize(option.substr(11), settings.cacheBytes)) {
          error = "cache_size: not a size (bytes, or a number and K, M or G): " + option.substr(11);
          return false;
        }
      } else if (option.rfind("cache_dir=", 0) == 0) {
        settings.cacheFolder = std::filesystem::absolute(NativePath(option.substr(10)), ignored);
      } else if (option == "rw") {
        error = "the mount is read-only; rw cannot be given";
        return false;
      } else if (!option.empty()) {
        settings.fuseOptions += "," + option;
      }
    }
  }
  return true;
}

DecodedCache::Decoder ExtractionInto(ArchiveSession& session) {
  return [&session](std::uint32_t index, const std::filesystem::path& target, std::string& error) {
    std::optional<std::string> libraryPath = LibraryPath(target);
    if (!libraryPath) {
      error = "the cache folder cannot be given to the library";
      return false;
    }
    HRESULT hr = session.Object()->ExtractFile(static_cast<int>(index), reinterpret_cast<LPWSTR>(libraryPath->data()));
    if (FAILED(hr)) error = "damaged: the stored data does not decode to the catalogue's length";
    return SUCCEEDED(hr);
  };
}

// Serves the mount until it is unmounted or a signal ends it.
int Serve(MountState& state, const MountSettings& settings, const std::string& mountPoint) {
  std::string program = "qor", dashO = "-o", fuseOptions = settings.fuseOptions;
  char* arguments[] = {program.data(), dashO.data(), fuseOptions.data()};
  fuse_args args = FUSE_ARGS_INIT(3, arguments);
  fuse_operations operations = Operations();
  fuse* session = fuse_new(&args, &operations, sizeof operations, &state);
  fuse_opt_free_args(&args);
  if (!session) {
    Complain("mount: FUSE refused the options " + settings.fuseOptions);
    return 1;
  }
  if (fuse_mount(session, mountPoint.c_str()) != 0) {
    Complain(mountPoint + ": cannot mount (FUSE needs /dev/fuse and fusermount3)");
    fuse_destroy(session);
    return 1;
  }
  fuse_session* loop = fuse_get_session(session);
  int status = fuse_set_signal_handlers(loop) == 0 && fuse_daemonize(state.foreground ? 1 : 0) == 0 ? 0 : 1;
  if (status == 0 && !state.foreground) openlog("qor", LOG_PID, LOG_USER);
  // The loop answers the signal that ended it (a positive number) or -errno.
  if (status == 0) status = fuse_loop_mt(session, 0) < 0 ? 1 : 0;
  fuse_remove_signal_handlers(loop);
  fuse_unmount(session);
  fuse_destroy(session);
  return status;
}

}  // namespace

int RunMount(const MountOptions& options) {
  MountState state;
  state.foreground = options.foreground;
  MountSettings settings;
  std::string error;
  if (!ParseOptions(options.options, settings, error)) {
    Complain("mount: " + error);
    return 2;
  }
  if (!state.session.OpenArgumentToExtract(options.archive)) return 1;
  struct stat point {};
  if (::stat(options.mountPoint.c_str(), &point) != 0 || !S_ISDIR(point.st_mode)) {
    Complain(options.mountPoint + ": no such folder to mount on");
    return 1;
  }
  struct stat archive {};
  if (::stat(options.archive.c_str(), &archive) == 0) state.folderTime = archive.st_mtim;
  state.owner = ::getuid();
  state.group = ::getgid();
  state.tree = std::make_unique<MountTree>(state.session.Root(),
                                           [&state](const std::string& message) { Log(state, message); });
  state.cache = std::make_unique<DecodedCache>(settings.cacheFolder, settings.cacheBytes, ExtractionInto(state.session));
  if (!state.cache->Create(error)) {
    Complain("mount: " + error);
    return 1;
  }
  return Serve(state, settings, options.mountPoint);
}

}  // namespace qor::host
