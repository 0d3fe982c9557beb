#include "platform/win32.h"

#include "names/RelativeReference.h"

#include <cstring>
#include <string_view>

#include "names/MbString.h"
#include "names/PathPrimitives.h"
#include "names/UrlLocations.h"

namespace qor {
namespace {

constexpr auto npos = std::string_view::npos;
constexpr char kUpStep[] = "..\\";

// A component without its trailing separator, for comparison.
std::string ComponentName(const std::string& component) {
  std::ptrdiff_t last = static_cast<std::ptrdiff_t>(component.size()) - 1;
  return IsSeparatorAt(component, last) ? component.substr(0, component.size() - 1) : component;
}

bool SameComponent(const std::string& x, const std::string& y, int caseSensitive) {
  std::string left = ComponentName(x), right = ComponentName(y);
  if (caseSensitive) return MbsCompare(left.c_str(), right.c_str()) == 0;
  return IsSameLocation(left, right) != 0;
}

// The roots and remainders of base and target, split by the kind of the
// base. False when the target lies on another kind of root than the base.
bool SplitRoots(const std::string& base, const std::string& target, std::string& baseRoot, std::string& baseRest,
                std::string& targetRoot, std::string& targetRest) {
  if (IsUrl(base.c_str())) {
    if (!IsUrl(target.c_str())) return false;
    SplitUrl(base, baseRoot, baseRest);
    SplitUrl(target, targetRoot, targetRest);
  } else if (IsUncPath(base)) {
    if (!IsUncPath(target)) return false;
    SplitUncPath(base, baseRoot, baseRest);
    SplitUncPath(target, targetRoot, targetRest);
  } else {
    if (IsUrl(target.c_str()) || IsUncPath(target)) return false;
    SplitDrive(base, baseRoot, baseRest);
    SplitDrive(target, targetRoot, targetRest);
  }
  return true;
}

}  // namespace

int MakeRelativeReference(const std::string& base, const std::string& target, std::string& out) {
  out = target;
  std::string main, fragment;
  SplitFragment(target, main, fragment);
  if (fragment.empty() && IsSameLocation(base, main)) {
    out = GetLeafName(main.c_str());
    return 1;
  }
  if (!IsUncPath(main) && !main.empty() && IsPathSeparator(static_cast<unsigned char>(main[0]))) {
    out = main;
    ConvertSeparators(out, 1);
    return 0;
  }
  if (!IsAbsolutePath(main.c_str())) return 1;
  std::string baseRoot, baseRest, targetRoot, targetRest;
  if (!SplitRoots(base, main, baseRoot, baseRest, targetRoot, targetRest)) return 1;
  if (baseRoot.empty() || targetRoot.empty()) return 1;
  if (MbsICompare(baseRoot.c_str(), targetRoot.c_str()) != 0) return 1;
  MakeRelativePath(baseRest, targetRest, out, IsUrl(base.c_str()) ? 1 : 0);
  AppendFragment(out, out, fragment);
  return 1;
}

// A remainder that does not begin with a separator ("C:dir\x" has "dir\x")
// loses its first byte all the same: such drive-relative paths name a place
// that depends on the drive's current directory, which no caller here has.
int MakeRelativePath(const std::string& baseRest, const std::string& targetRest, std::string& out,
                     int caseSensitive) {
  std::string a = baseRest.empty() ? std::string() : baseRest.substr(1);
  std::string b = targetRest.empty() ? std::string() : targetRest.substr(1);
  while (!a.empty()) {
    std::string x, y;
    GetFirstComponent(a.c_str(), x);
    GetFirstComponent(b.c_str(), y);
    if (!SameComponent(x, y, caseSensitive)) {
      a.insert(0, 1, '\\');
      std::string up;
      while (RemoveLastComponent(a)) up += kUpStep;
      out = up + b;
      return 1;
    }
    a.erase(0, x.size());
    b.erase(0, y.size());
  }
  out = b;
  return 1;
}

void SplitFragment(const std::string& s, std::string& main, std::string& fragment) {
  std::size_t hash = MbsIndexOfChar(s, '#');
  if (hash == npos) {
    main = s;
    fragment.clear();
    return;
  }
  std::string before = s.substr(0, hash), after = s.substr(hash + 1);
  main = std::move(before);
  fragment = std::move(after);
}

void AppendFragment(std::string& out, const std::string& s, const std::string& fragment) {
  std::string result = s;
  if (!fragment.empty()) result += "#" + fragment;
  out = std::move(result);
}

std::string GetLeafName(const char* path) {
  if (!path || !*path) return std::string();
  if (IsUrl(path)) {
    const char* slash = MbsFindLastChar(path, '/');
    return slash ? std::string(slash + 1) : std::string();
  }
  char full[MAX_PATH];
  DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string resolved(full, length);
  std::size_t last = MbsLastIndexOfSeparator(resolved);
  return last == npos ? resolved : resolved.substr(last + 1);
}

// Byte 2 follows two dots, which are no lead bytes, so it begins a character.
int SkipParentPrefix(const char*& p) {
  if (!p || p[0] != '.' || p[1] != '.') return 0;
  if (p[2] == '\0') {
    p += 2;
    return 1;
  }
  if (IsPathSeparator(static_cast<unsigned char>(p[2]))) {
    p += 3;
    return 1;
  }
  return 0;
}

}  // namespace qor
