#include "platform/win32.h"

#include "names/UrlLocations.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "names/FtpUrl.h"
#include "names/MbString.h"
#include "names/PathPrimitives.h"

namespace qor {
namespace {

// How far into a URL its host may reach; a site longer than that is not
// looked for, and the whole URL stands for it.
constexpr std::size_t kMaxSiteScan = MAX_PATH;

void FileUrlSite(const std::string& url, std::string& site) {
  constexpr std::size_t prefix = 5;  // "file:"
  std::string rest = url.substr(prefix), root, ignored;
  if (IsUncPath(rest))
    GetUncRoot(rest, root);
  else
    SplitDrive(rest, root, ignored);
  site = url.substr(0, prefix) + root;
}

// The host of an http, https or ftp URL ends at the first '/' after the
// "//" (which is skipped without being looked at).
void HostSite(const std::string& url, std::size_t prefixLength, std::string& site) {
  std::size_t i = prefixLength + 2;
  if (url.size() <= i) {
    site.clear();
    return;
  }
  while (i < url.size() && i < kMaxSiteScan && url[i] != '/') i = MbsNextIndex(url, i);
  if (i >= kMaxSiteScan)
    site = url;
  else if (i < url.size())
    site = url.substr(0, i);
  else
    site = url + "/";
}

}  // namespace

int GetSchemeIndex(const std::string& s) {
  for (std::size_t k = 0; k < std::size(kUrlSchemes); ++k) {
    std::string start = s.substr(0, std::strlen(kUrlSchemes[k]));
    if (MbsICompare(start.c_str(), kUrlSchemes[k]) == 0) return static_cast<int>(k);
  }
  return IsUrl(s.c_str()) ? -2 : -1;
}

void GetUrlSite(const std::string& url, std::string& site) {
  int scheme = GetSchemeIndex(url);
  if (scheme == kSchemeHttp || scheme == kSchemeHttps || scheme == kSchemeFtp)
    HostSite(url, std::strlen(kUrlSchemes[scheme]), site);
  else if (scheme == kSchemeFile)
    FileUrlSite(url, site);
  else
    site = url;
}

void SplitUrl(const std::string& url, std::string& site, std::string& path) {
  std::string found;
  GetUrlSite(url, found);
  path = url.substr(std::min(url.size(), found.size()));
  site = std::move(found);
}

int IsSameUrl(const std::string& a, const std::string& b) {
  int scheme = GetSchemeIndex(a);
  if (scheme != GetSchemeIndex(b)) return 0;
  std::string left = a, right = b;
  for (std::string* url : {&left, &right}) {
    ConvertSeparators(*url, 1);
    if (scheme == kSchemeFtp) {
      CFtpUrl parts;
      parts.Parse(*url);
      parts.m_strUser.clear();
      parts.m_strPassword.clear();
      *url = parts.Build();
    }
  }
  std::string leftSite, leftPath, rightSite, rightPath;
  SplitUrl(left, leftSite, leftPath);
  SplitUrl(right, rightSite, rightPath);
  return MbsICompare(leftSite.c_str(), rightSite.c_str()) == 0 && MbsCompare(leftPath.c_str(), rightPath.c_str()) == 0
             ? 1
             : 0;
}

// The same rule on every platform: the case-insensitive multi-byte order is
// exactly this equality, and a locale's own folding (full-width letters and
// the like) must not make two stored names one.
int IsSamePath(const std::string& a, const std::string& b) { return MbsICompare(a.c_str(), b.c_str()) == 0 ? 1 : 0; }

int IsSameLocation(const std::string& a, const std::string& b) {
  if (IsUrl(a.c_str()) && IsUrl(b.c_str())) return IsSameUrl(a, b);
  if (a.size() < MAX_PATH && b.size() < MAX_PATH) return IsSamePath(a, b);
  return MbsCompare(a.c_str(), b.c_str()) == 0 ? 1 : 0;
}

}  // namespace qor
