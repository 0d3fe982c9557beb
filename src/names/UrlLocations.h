// URLs told apart by scheme and split into site and path, and the question
// the relative reference maker asks of two locations: do they name the same
// thing. Two URLs are the same when their schemes agree, their sites agree
// without regard to case and their paths byte for byte (ftp URLs without
// their user name, password and type); two file paths are the same when they
// agree with the letters A-Z taken as a-z.
//
// Strings are byte strings in code page 932, stepped over a character at a
// time as the path primitives do. Pure functions: any thread may call them.
#pragma once

#include <string>

namespace qor {

// The schemes that have an index, searched in this order.
inline constexpr const char* kUrlSchemes[] = {"http:",   "https:", "ftp:",  "gopher:", "mailto:", "news:",
                                              "wais:",   "file:",  "telnet:", "rlogin:", "tn3270:"};
inline constexpr int kSchemeHttp = 0, kSchemeHttps = 1, kSchemeFtp = 2, kSchemeFile = 7;

// The index of the first scheme that s begins with, letters without regard to
// case; -2 for a URL of another scheme, -1 for anything that is not a URL.
int GetSchemeIndex(const std::string& s);

// The site of a URL: scheme and host of http, https and ftp URLs
// ("http://h" of "http://h/a", "http://h/" of "http://h"), "file:" and the
// drive or UNC root of a file URL, and the whole URL for every other scheme.
void GetUrlSite(const std::string& url, std::string& site);

// site as above; path = the URL after the site's length.
void SplitUrl(const std::string& url, std::string& site, std::string& path);

int IsSameUrl(const std::string& a, const std::string& b);

// File-name equality: single-byte letters without regard to case,
// double-byte characters identical, every other byte equal.
int IsSamePath(const std::string& a, const std::string& b);

// URLs by IsSameUrl; paths shorter than MAX_PATH by IsSamePath; anything
// longer byte for byte.
int IsSameLocation(const std::string& a, const std::string& b);

}  // namespace qor
