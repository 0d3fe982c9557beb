// Private profile files: one key of one section read or written, the rest of
// the file kept line for line. The file is read and written whole through
// the stand-in's own file calls, so paths and error codes are those of every
// other file.
#include "platform/win32.h"

#include <new>
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <strings.h>

namespace {

constexpr char kBlanks[] = " \t";

std::string Trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// The file's lines without their line ends; nullopt when it cannot be read
// (GetLastError tells why).
std::optional<std::vector<std::string>> ReadLines(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool WriteLines(const char* path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return ok && written == text.size();
}

// The name of a section header line, or nullopt for any other line.
std::optional<std::string> SectionName(const std::string& line) {
  std::string trimmed = Trim(line);
  if (trimmed.size() < 2 || trimmed.front() != '[') return std::nullopt;
  std::size_t close = trimmed.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(trimmed.substr(1, close - 1));
}

// Where a section's lines are: [first, end) after its header; npos when the
// file has no such section.
struct SectionSpan {
  std::size_t header = std::string::npos, end = 0;
};

SectionSpan FindSection(const std::vector<std::string>& lines, const char* section) {
  SectionSpan span;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::string> name = SectionName(lines[i]);
    if (!name) continue;
    if (span.header != std::string::npos) {
      span.end = i;
      return span;
    }
    if (SameName(*name, section)) span.header = i;
  }
  span.end = lines.size();
  return span;
}

// The line of the key within the span, or npos.
std::size_t FindKey(const std::vector<std::string>& lines, const SectionSpan& span, const char* key) {
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    std::size_t equals = lines[i].find('=');
    if (equals != std::string::npos && SameName(Trim(lines[i].substr(0, equals)), key)) return i;
  }
  return std::string::npos;
}

DWORD CopyOut(const std::string& value, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  DWORD length = static_cast<DWORD>(std::min<std::size_t>(value.size(), size - 1));
  std::memcpy(buffer, value.data(), length);
  buffer[length] = '\0';
  return length;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName) try {
  std::string fallback = lpDefault ? lpDefault : "";
  fallback.erase(fallback.find_last_not_of(kBlanks) + 1);
  if (!lpAppName || !lpKeyName || !lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return CopyOut(fallback, lpReturnedString, nSize);
  }
  std::optional<std::vector<std::string>> lines = ReadLines(lpFileName);
  if (!lines) return CopyOut(fallback, lpReturnedString, nSize);
  SectionSpan span = FindSection(*lines, lpAppName);
  std::size_t at = span.header == std::string::npos ? std::string::npos : FindKey(*lines, span, lpKeyName);
  if (at == std::string::npos) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return CopyOut(fallback, lpReturnedString, nSize);
  }
  const std::string& line = (*lines)[at];
  std::string value = Trim(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  SetLastError(ERROR_SUCCESS);
  return CopyOut(value, lpReturnedString, nSize);
} catch (const std::bad_alloc&) {
  if (lpReturnedString && nSize > 0) lpReturnedString[0] = 0;
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return 0;
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) try {
  if (!lpAppName || !lpKeyName || !lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<std::string> lines;
  if (std::optional<std::vector<std::string>> existing = ReadLines(lpFileName)) {
    lines = std::move(*existing);
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return FALSE;
  }
  SectionSpan span = FindSection(lines, lpAppName);
  std::string entry = std::string(lpKeyName) + "=" + (lpString ? lpString : "");
  if (span.header == std::string::npos) {
    if (!lpString) return TRUE;
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + std::string(lpAppName) + "]");
    lines.push_back(entry);
  } else if (std::size_t at = FindKey(lines, span, lpKeyName); at != std::string::npos) {
    if (lpString)
      lines[at] = entry;
    else
      lines.erase(lines.begin() + static_cast<long>(at));
  } else if (lpString) {
    std::size_t insert = span.end;
    while (insert > span.header + 1 && Trim(lines[insert - 1]).empty()) --insert;
    lines.insert(lines.begin() + static_cast<long>(insert), entry);
  }
  return WriteLines(lpFileName, lines) ? TRUE : FALSE;
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return FALSE;
}
