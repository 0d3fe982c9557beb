// Arbitrary bytes as typed display names: split at the first zero byte into a
// base and a target, both copied into blocks of exactly their length and
// terminator, then through scheme and site recognition, the ftp parts, the
// location tests and the relative reference maker. Besides memory errors, it
// checks what must hold for every input:
//  - a site is a prefix of its URL, or the URL with one '/' added;
//  - a location is the same as itself, and sameness does not depend on the
//    order of the two;
//  - an ftp URL written out from plain parts parses back into those parts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "platform/win32.h"

#include "names/FtpUrl.h"
#include "names/RelativeReference.h"
#include "names/UrlLocations.h"

namespace {

// The text in a heap block of exactly its length and terminator, so a read
// past the terminator is a read past the block.
std::string Exact(const char* bytes, std::size_t size) {
  auto block = std::make_unique<char[]>(size + 1);
  std::memcpy(block.get(), bytes, size);
  block[size] = '\0';
  return std::string(block.get());
}

// Printable ASCII without the delimiters of the ftp grammar: such a part
// comes back whole when the URL is written out and parsed again.
bool Plain(const std::string& part) {
  for (char c : part)
    if (c < 0x20 || c > 0x7E || std::strchr("/@:;", c)) return false;
  return true;
}

void CheckUrl(const std::string& url) {
  std::string site, path;
  qor::SplitUrl(url, site, path);
  FUZZ_CHECK(url.compare(0, site.size(), site) == 0 || site == url + "/");
  FUZZ_CHECK(qor::IsSameUrl(url, url) == 1);
  FUZZ_CHECK(qor::IsSameLocation(url, url) == 1);

  qor::CFtpUrl parts;
  parts.Parse(url);
  qor::CFtpUrl again;
  again.Parse(parts.Build());
  if ((parts.m_nFlags & qor::CFtpUrl::kHost) && Plain(parts.m_strScheme) && Plain(parts.m_strUser) &&
      Plain(parts.m_strPassword) && Plain(parts.m_strHost) && Plain(parts.m_strPort) && Plain(parts.m_strPath))
    FUZZ_CHECK(again.m_strScheme == parts.m_strScheme && again.m_strUser == parts.m_strUser &&
               again.m_strPassword == parts.m_strPassword && again.m_strHost == parts.m_strHost &&
               again.m_strPort == parts.m_strPort && again.m_strPath == parts.m_strPath);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const void* zero = std::memchr(text, 0, size);
  std::size_t split = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : size;
  std::string base = Exact(text, split);
  std::string target = split < size ? Exact(text + split + 1, size - split - 1) : std::string();

  CheckUrl(base);
  CheckUrl(target);
  FUZZ_CHECK(qor::IsSameLocation(base, target) == qor::IsSameLocation(target, base));

  std::string out;
  int result = qor::MakeRelativeReference(base, target, out);
  FUZZ_CHECK(result == 0 || result == 1);
  const char* p = out.c_str();
  qor::SkipParentPrefix(p);
  FUZZ_CHECK(p >= out.c_str() && p <= out.c_str() + out.size());
  static_cast<void>(qor::GetLeafName(target.c_str()));
  return 0;
}
