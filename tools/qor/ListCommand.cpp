// qor ls: one folder of the archive (its root without INNER), or with -R the
// whole tree below it in pre-order; -l adds attributes, size and local date
// (UTC with --utc) and a line of totals; -v adds each file's stored size and
// the share of it saved, as unzip -v does; --json prints one JSON array
// instead. Plain listings show control characters of names escaped; JSON
// keeps every name exact.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "Text.h"
#include "Walk.h"

namespace qor::host {
namespace {

struct Row {
  std::string path;  // UTF-8, "/" between names
  std::string name;  // UTF-8
  bool folder = false;
  ULONG size = 0;
  long long mtime = 0;
  DWORD index = 0;
  unsigned long long stored = 0;  // files only
};

Row MakeRow(const ArchiveItem& item, const std::vector<std::string>& path) {
  return Row{JoinUtf8(path), Utf8FromCp932(item.name), item.folder, item.size, UnixSeconds(item.time), item.index};
}

// Formats a time with strftime, the calendar worked out here: gmtime on
// Windows refuses the times before 1970 that a catalogue can hold.
std::string FormatTime(long long seconds, const char* format) {
  using namespace std::chrono;
  sys_seconds time{std::chrono::seconds(seconds)};
  sys_days day = floor<days>(time);
  year_month_day date{day};
  hh_mm_ss<std::chrono::seconds> clock{time - day};
  std::tm utc{};
  utc.tm_year = static_cast<int>(date.year()) - 1900;
  utc.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  utc.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  utc.tm_hour = static_cast<int>(clock.hours().count());
  utc.tm_min = static_cast<int>(clock.minutes().count());
  utc.tm_sec = static_cast<int>(clock.seconds().count());
  utc.tm_wday = static_cast<int>(weekday(day).c_encoding());
  utc.tm_yday = static_cast<int>((day - sys_days(date.year() / January / 1)).count());
  char text[32];
  if (std::strftime(text, sizeof text, format, &utc) == 0) return "?";
  return text;
}

// The seconds to add to a UTC time to show it in the user's time zone (TZ
// on POSIX), at that time of the year.
long long LocalOffset(long long seconds) {
#ifdef _WIN32
  unsigned long long ticks = static_cast<unsigned long long>(seconds + 11644473600LL) * 10000000ULL;
  FILETIME universal{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, local{};
  SYSTEMTIME utc{}, zoned{};
  if (!FileTimeToSystemTime(&universal, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &zoned) ||
      !SystemTimeToFileTime(&zoned, &local))
    return 0;
  auto value = [](const FILETIME& time) {
    return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  };
  return (value(local) - value(universal)) / 10000000LL;
#else
  time_t time = static_cast<time_t>(seconds);
  std::tm local{};
  return localtime_r(&time, &local) ? local.tm_gmtoff : 0;
#endif
}

// A name for a terminal: control characters as \xHH, the rest as it is.
std::string Printable(const std::string& utf8) {
  std::string shown;
  for (unsigned char c : utf8) {
    if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

// Text right-aligned in a column of width characters.
std::string Padded(const std::string& text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// The share of a file's size that storing it saved, in whole percent
// (negative when it grew), as unzip -v shows it; "-" for an empty file.
std::string Saved(unsigned long long size, unsigned long long stored) {
  if (size == 0) return "-";
  const double saved = 100.0 * (static_cast<double>(size) - static_cast<double>(stored)) / static_cast<double>(size);
  return std::to_string(std::lround(saved)) + "%";
}

void PrintJson(const std::vector<Row>& rows) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const Row& row : rows) {
    nlohmann::ordered_json entry = {{"path", row.path}, {"name", row.name}, {"type", row.folder ? "folder" : "file"}};
    if (!row.folder) {
      entry["size"] = row.size;
      entry["mtime"] = FormatTime(row.mtime, "%Y-%m-%dT%H:%M:%SZ");
      entry["index"] = row.index;
      entry["stored"] = row.stored;
    }
    list.push_back(std::move(entry));
  }
  std::printf("%s\n", list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
}

// Items of an archive are all read-only and compressed: d folder, r
// read-only, c compressed.
// With stored, the stored size and the share saved follow the size.
void PrintLong(const Row& row, const std::string& shown, bool utc, bool stored) {
  std::string columns = row.folder ? "dr-c " + Padded("-", 12) : "-r-c " + Padded(std::to_string(row.size), 12);
  if (stored)
    columns += row.folder ? " " + Padded("-", 12) + " " + Padded("-", 5)
                          : " " + Padded(std::to_string(row.stored), 12) + " " + Padded(Saved(row.size, row.stored), 5);
  const std::string when =
      row.folder ? "-" : FormatTime(row.mtime + (utc ? 0 : LocalOffset(row.mtime)), "%Y-%m-%d %H:%M");
  std::printf("%s  %-16s  %s%s\n", columns.c_str(), when.c_str(), shown.c_str(), row.folder ? "/" : "");
}

}  // namespace

int RunList(const ListOptions& options) {
  ArchiveSession session;
  std::string error;
  if (!session.OpenArgument(options.archive)) return 1;
  ArchivePlace place;
  if (!session.Find(options.inner, place, error)) {
    Complain(error);
    return 1;
  }
  std::vector<Row> rows;
  if (place.file) {
    std::vector<std::string> path = place.folder.path;
    path.push_back(place.file->name);
    rows.push_back(MakeRow(*place.file, path));
  } else if (!Walk(place.folder, options.recursive,
                   [&rows](const VisitedItem& visited) { rows.push_back(MakeRow(visited.item, visited.path)); },
                   error)) {
    Complain(error);
    return 1;
  }
  if (options.json || options.stored) {
    const CatalogueFacts* facts = session.Facts();
    if (!facts) return 1;
    for (Row& row : rows)
      if (!row.folder && row.index < facts->storedLengths.size()) row.stored = facts->storedLengths[row.index];
  }
  if (options.json) {
    PrintJson(rows);
    return 0;
  }
  // Plain listings name items as the user would type them: with -R by their
  // path from the root, otherwise by their name in the folder.
  unsigned long long files = 0, bytes = 0, storedBytes = 0;
  for (const Row& row : rows) {
    std::string shown = Printable(options.recursive ? row.path : row.name);
    if (options.longFormat || options.stored)
      PrintLong(row, shown, options.utc, options.stored);
    else
      std::printf("%s%s\n", shown.c_str(), row.folder ? "/" : "");
    files += row.folder ? 0 : 1;
    bytes += row.folder ? 0 : row.size;
    storedBytes += row.stored;
  }
  if (options.stored)
    std::printf("%llu file(s), %llu bytes, %llu stored (%s saved)\n", files, bytes, storedBytes,
                Saved(bytes, storedBytes).c_str());
  else if (options.longFormat)
    std::printf("%llu file(s), %llu bytes\n", files, bytes);
  return 0;
}

}  // namespace qor::host
