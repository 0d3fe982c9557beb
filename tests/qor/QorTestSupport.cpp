#include "QorTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace qor_test {
namespace {

std::atomic<int> g_sequence{0};

// A name of this process's own in the temporary folder.
std::filesystem::path UniqueTemporary(const std::string& kind) {
#ifdef _WIN32
  unsigned long process = GetCurrentProcessId();
#else
  auto process = static_cast<unsigned long>(::getpid());
#endif
  return std::filesystem::temp_directory_path() /
         ("qor-e2e-" + std::to_string(process) + "-" + std::to_string(g_sequence++) + kind);
}

std::filesystem::path ProgramFolder() {
#ifdef _WIN32
  std::wstring own(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size()));
  own.resize(length);
  return std::filesystem::path(own).parent_path();
#else
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

#ifdef _WIN32

// One argument as the runtime's command-line splitter reads it back.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

struct Handle {
  HANDLE h;
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

void Spawn(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder,
           const std::filesystem::path& outFile, const std::filesystem::path& errFile, QorRun& run) {
  std::filesystem::path program = ProgramFolder() / "qor.exe";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  Handle in{CreateFileW(L"NUL", GENERIC_READ, share, &inherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  Handle out{CreateFileW(outFile.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
  Handle err{CreateFileW(errFile.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (out.h == INVALID_HANDLE_VALUE || err.h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot capture qor");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.h;
  startup.hStdOutput = out.h;
  startup.hStdError = err.h;
  std::wstring commandLine = Quoted(program.wstring());
  for (const std::string& argument : arguments)
    commandLine += L" " + Quoted(std::filesystem::path(std::u8string(argument.begin(), argument.end())).wstring());
  PROCESS_INFORMATION process{};
  // Wine now and then fails to start a process with an internal error; a
  // second attempt starts it.
  bool started = false;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &process);
    if (!started) Sleep(200);
  }
  if (!started) throw std::runtime_error("cannot start qor.exe (error " + std::to_string(GetLastError()) + ")");
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  run.exitCode = static_cast<int>(code);
  run.died = code >= 0xC0000000u;  // an exception status, not an exit code
}

#else

pid_t StartQor(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder,
               const std::filesystem::path& outFile, const std::filesystem::path& errFile) {
  std::string program = (ProgramFolder() / "qor").string();
  std::vector<char*> argv{program.data()};
  std::vector<std::string> copies(arguments);
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  // A shell that runs the tests in the background ignores SIGINT, and the
  // child would inherit that; the mount tests end qor with it.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t child = 0;
  int failed = posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("cannot start " + program);
  return child;
}

void WaitForQor(pid_t child, QorRun& run) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  run.died = WIFSIGNALED(status);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

void Spawn(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder,
           const std::filesystem::path& outFile, const std::filesystem::path& errFile, QorRun& run) {
  WaitForQor(StartQor(arguments, workingFolder, outFile, errFile), run);
}

#endif

}  // namespace

std::string QorRun::Describe() const {
  return "exit " + std::to_string(exitCode) + (died ? " (died)" : "") + "\n--- stdout:\n" + out + "--- stderr:\n" + err;
}

testing::AssertionResult FailedSaying(const QorRun& run, const std::string& says) {
  const std::vector<std::string> lines = Lines(run.err);
  if (run.exitCode == 1 && run.out.empty() && lines.size() == 1 && lines[0].rfind("qor: ", 0) == 0 &&
      lines[0].find(says) != std::string::npos)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "not status 1 with one message holding \"" << says << "\"\n" << run.Describe();
}

// The outputs of a finished run, checked for what no run may do.
static QorRun Collected(QorRun run, const std::filesystem::path& outFile, const std::filesystem::path& errFile) {
  run.out = ReadFile(outFile);
  run.err = ReadFile(errFile);
  std::error_code ignored;
  std::filesystem::remove(outFile, ignored);
  std::filesystem::remove(errFile, ignored);
  if (run.died) ADD_FAILURE() << "qor did not exit but died (no command may end so)\n" << run.Describe();
  if (run.err.find("Sanitizer") != std::string::npos || run.err.find("runtime error:") != std::string::npos)
    ADD_FAILURE() << "qor reported a sanitizer error:\n" << run.err;
  return run;
}

QorRun RunQor(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder) {
  std::filesystem::path outFile = UniqueTemporary(".out");
  std::filesystem::path errFile = UniqueTemporary(".err");
  QorRun run;
  Spawn(arguments, workingFolder, outFile, errFile, run);
  return Collected(std::move(run), outFile, errFile);
}

#ifndef _WIN32

BackgroundQor::BackgroundQor(const std::vector<std::string>& arguments)
    : m_out(UniqueTemporary(".out")), m_err(UniqueTemporary(".err")), m_child(StartQor(arguments, {}, m_out, m_err)) {}

BackgroundQor::~BackgroundQor() {
  if (m_child > 0) Stop(SIGKILL);
}

bool BackgroundQor::Running() const {
  siginfo_t info{};
  return m_child > 0 && waitid(P_PID, static_cast<id_t>(m_child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;  // not reaped, so Stop still collects it
}

QorRun BackgroundQor::Stop(int signal) {
  QorRun run;
  if (m_child <= 0) return run;
  kill(m_child, signal);
  WaitForQor(m_child, run);
  m_child = 0;
  if (signal == SIGKILL) return run;
  return Collected(std::move(run), m_out, m_err);
}

#endif

std::string Arg(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

#ifdef _WIN32
// Walks a folder by FindFirstFileW in the long-path form: the runtime's own
// folder and status calls stop at MAX_PATH, and extraction writes deeper.
// visit(path, shown, isFolder) sees a folder after what it holds; shown is
// the path below the walk's folder, "/" between names.
template <typename Visit>
void WalkBelow(const std::wstring& folder, const std::string& prefix, const Visit& visit) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName, path = folder + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    const std::u8string utf8 = std::filesystem::path(name).u8string();
    const std::string shown = prefix + std::string(utf8.begin(), utf8.end());
    const bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (isFolder) WalkBelow(path, shown + "/", visit);
    visit(path, shown, isFolder);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::wstring AtAnyDepth(const std::filesystem::path& folder) {
  return L"\\\\?\\" + std::filesystem::absolute(folder).make_preferred().wstring();
}
#endif

std::map<std::string, std::string> FilesBelow(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
#ifdef _WIN32
  WalkBelow(AtAnyDepth(folder), "", [&files](const std::wstring& path, const std::string& shown, bool isFolder) {
    if (!isFolder) files[shown] = ReadFile(path);
  });
#else
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::u8string relative = entry.path().lexically_relative(folder).generic_u8string();
    files[std::string(relative.begin(), relative.end())] = ReadFile(entry.path());
  }
#endif
  return files;
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + Arg(file));
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Scratch::Scratch() : m_path(UniqueTemporary("")) { std::filesystem::create_directories(m_path); }

Scratch::~Scratch() {
  std::error_code ignored;
#ifdef _WIN32
  const std::wstring top = AtAnyDepth(m_path);
  WalkBelow(top, "", [](const std::wstring& path, const std::string&, bool isFolder) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // read-only ones too
    isFolder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
  });
  RemoveDirectoryW(top.c_str());
#else
  std::filesystem::remove_all(m_path, ignored);
#endif
}

std::filesystem::path Scratch::operator/(const std::string& relative) const {
  return (m_path / std::u8string(relative.begin(), relative.end())).lexically_normal();
}

std::filesystem::path Scratch::Write(const std::string& relative, const std::string& bytes) const {
  std::filesystem::path file = *this / relative;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + Arg(file));
  return file;
}

std::filesystem::path Scratch::WriteArchive(const std::string& relative,
                                            const std::vector<qor::ArchiveInput>& inputs) const {
  return Write(relative, archive_test::ToString(qor::BuildArchive(inputs)));
}

std::string AssembleArchive(const std::vector<RawInput>& inputs) {
  archive_test::CScriptedFile file;
  qor::CArchiveWriter writer(file, qor::ArchiveSignature::Orblane);
  std::vector<qor::EntryHead> heads;
  for (const RawInput& input : inputs) heads.push_back(qor::EntryHead{input.name, 0});
  bool written = writer.Begin(heads);
  for (const RawInput& input : inputs) {
    auto bytes = archive_test::Span(input.data);
    auto claimed = static_cast<std::uint32_t>(input.claimedLength);
    written = written && (input.claimedLength < 0 ? writer.AddEntry(bytes) : writer.AddStoredEntry(bytes, claimed));
  }
  if (!written || !writer.Finish()) throw std::runtime_error("cannot assemble the archive");
  return file.Bytes();
}

}  // namespace qor_test
