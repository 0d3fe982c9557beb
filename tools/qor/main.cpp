// qor: lists, extracts, tests, prints, packs and links archives through the QOR library,
// exactly as a host program would.
//
// Exit status: 0 success, 1 failure (with "qor: " and a message on standard
// error), 2 wrong usage (with the usage text).
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <exception>

#include "Commands.h"
#include "Workers.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include "Text.h"
#endif

namespace qor::host {

void Complain(const std::string& message) { std::fprintf(stderr, "qor: %s\n", message.c_str()); }

namespace {

// The arguments as UTF-8 text: on Windows taken from the wide command line,
// so that any name the user can type arrives intact.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(DisplayPath(std::filesystem::path(wide[i])));
  LocalFree(wide);
  return arguments;
#else
  return std::vector<std::string>(argv, argv + argc);
#endif
}

bool IsCommand(CLI::App& app, const std::string& name) {
  for (CLI::App* command : app.get_subcommands({}))
    if (command->check_name(name)) return true;
  return false;
}

int Main(int argc, char** argv) {
  CLI::App app{"qor: list, extract, test, print, pack and link archives through the QOR library", "qor"};
  // Names starting with "/" are places in the archive and POSIX-like paths,
  // never options, on Windows too. Set before the subcommands, which copy it.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);
  app.set_version_flag("--version", "qor " QOR_VERSION);

  ListOptions list;
  CLI::App* ls = app.add_subcommand("ls", "List a folder of the archive (its root without INNER)");
  ls->add_flag("-R", list.recursive, "Walk the whole tree below, in pre-order");
  ls->add_flag("-l", list.longFormat,
               "Add attributes (d folder, r read-only, c compressed), size and local date, and totals");
  ls->add_flag("-v", list.stored, "As -l, with each file's stored size and the share saved, as unzip -v");
  ls->add_flag("--utc", list.utc, "Show -l dates in UTC");
  ls->add_flag("--json", list.json, "Print one JSON array of {path, name, type, size, mtime, index, stored}");
  ls->add_option("ARCHIVE", list.archive, "The archive file")->required();
  ls->add_option("INNER", list.inner, "A folder or file inside the archive (\"/\" or \"\\\" between names)");

  ExtractOptions extract;
  CLI::App* ex = app.add_subcommand("extract", "Extract stored files (all of them, or the named files and folders)");
  ex->add_option("-C", extract.directory, "The folder to extract into (default: the current folder)");
  CLI::Option* overwrite = ex->add_flag("--overwrite", extract.overwrite, "Overwrite existing files");
  ex->add_flag("-v,--verbose", extract.verbose, "Name each file written");
  ex->add_flag("-n,--skip-existing", extract.skipExisting, "Leave existing files as they are, quietly")
      ->excludes(overwrite);
  extract.workers = DefaultWorkers();
  ex->add_option("-j,--jobs", extract.workers, "Threads to extract on (default: one per processor)")
      ->check(CLI::Range(1u, 64u));
  ex->add_option("ARCHIVE", extract.archive, "The archive file")->required();
  ex->add_option("INNER", extract.inner, "Files and folders inside the archive");

  TestOptions testOptions;
  CLI::App* test = app.add_subcommand("test", "Decode every stored file and check its length");
  testOptions.workers = DefaultWorkers();
  test->add_option("-j,--jobs", testOptions.workers, "Threads to decode on (default: one per processor)")
      ->check(CLI::Range(1u, 64u));
  test->add_flag("-v,--verbose", testOptions.verbose, "Name each sound file too");
  test->add_option("ARCHIVE", testOptions.archive, "The archive file")->required();

  CatOptions cat;
  CLI::App* ct = app.add_subcommand("cat", "Write one stored file to standard output");
  ct->add_option("ARCHIVE", cat.archive, "The archive file")->required();
  ct->add_option("INNER", cat.inner, "The file inside the archive (\"/\" or \"\\\" between names)")->required();

  LinkOptions linkOptions;
  CLI::App* ln = app.add_subcommand("link", "Save a link file naming a place inside the archive (its root without INNER)");
  ln->add_option("-o", linkOptions.link, "The link file to write")->required();
  ln->add_flag("--force", linkOptions.force, "Replace an existing file");
  ln->add_option("ARCHIVE", linkOptions.archive, "The archive file")->required();
  ln->add_option("INNER", linkOptions.inner, "A file or folder inside the archive");

  std::string resolveLink;
  CLI::App* rs = app.add_subcommand("resolve", "Print the place inside its archive that a link file names");
  rs->add_option("LINK", resolveLink, "The link file")->required();

  PackOptions pack;
  CLI::App* pk = app.add_subcommand("pack", "Write a new archive from files and folders");
  pk->add_option("-C", pack.directory, "The folder names are stored relative to (default: the current folder)");
  pk->add_option("--signature", pack.signature, "orblane or zktern")->check(CLI::IsMember({"orblane", "zktern"}));
  pk->add_flag("--force", pack.force, "Replace an existing archive");
  pk->add_flag("-v,--verbose", pack.verbose, "Name each file stored");
  pk->add_flag("--best", pack.best, "Store as small as the encoder can, taking several times as long");
  pk->add_option("ARCHIVE", pack.archive, "The archive to write")->required();
  pk->add_option("PATH", pack.paths, "Files and folders to store")->required();

#ifdef QOR_HAVE_FUSE
  MountOptions mountOptions;
  CLI::App* mt = app.add_subcommand("mount", "Show the archive as a read-only folder until unmounted (fusermount3 -u)");
  mt->add_flag("-f", mountOptions.foreground, "Stay in the foreground; Ctrl-C or SIGTERM unmounts");
  mt->add_option("-o", mountOptions.options,
                 "Options, comma-separated: cache_size=SIZE (decoded bytes kept, K/M/G; default 256M), "
                 "cache_dir=DIR (where large files decode; default the temporary folder), and FUSE's own");
  mt->add_option("ARCHIVE", mountOptions.archive, "The archive file")->required();
  mt->add_option("MOUNTPOINT", mountOptions.mountPoint, "An existing folder to show it at")->required();
#endif

  std::vector<std::string> arguments = Arguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::CallForHelp&) {
    std::printf("%s", app.help().c_str());
    return 0;
  } catch (const CLI::CallForVersion& version) {
    std::printf("%s\n", version.what());
    return 0;
  } catch (const CLI::ParseError& error) {
    if (arguments.size() > 1 && arguments[1][0] != '-' && !IsCommand(app, arguments[1]))
      std::fprintf(stderr, "qor: unknown command %s\n", arguments[1].c_str());
    else if (arguments.size() > 1)
      std::fprintf(stderr, "qor: %s\n", error.what());
    std::fprintf(stderr, "%s", app.help().c_str());
    return 2;
  }

  if (ls->parsed()) return RunList(list);
  if (ex->parsed()) return RunExtract(extract);
  if (test->parsed()) return RunTest(testOptions);
  if (ct->parsed()) return RunCat(cat);
  if (ln->parsed()) return RunLink(linkOptions);
  if (rs->parsed()) return RunResolve(resolveLink);
#ifdef QOR_HAVE_FUSE
  if (mt->parsed()) return RunMount(mountOptions);
#endif
  return RunPack(pack);
}

}  // namespace
}  // namespace qor::host

int main(int argc, char** argv) {
#ifndef _WIN32
  // A closed pipe (qor ls | head -1) is output that could not be written,
  // answered by status 1 rather than by ending on a signal.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  int status = 1;
  try {
    status = qor::host::Main(argc, argv);
  } catch (const std::exception& error) {
    qor::host::Complain(error.what());
    return 1;
  }
  // Output that never arrived (a full disk, /dev/full, a closed pipe) is a
  // failure, whatever the command thought of its work.
  if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && status != 1) {
    qor::host::Complain("cannot write to standard output");
    return 1;
  }
  return status;
}
