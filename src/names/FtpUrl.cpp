#include "names/FtpUrl.h"

#include <string_view>

#include "names/MbString.h"

namespace qor {

int SplitAtChar(const std::string& s, std::string& left, std::string& right, unsigned char sep, int leftFlag,
                int rightFlag) {
  std::size_t at = MbsIndexOfChar(s, sep);
  if (at == std::string_view::npos) {
    left = s;
    right.clear();
    return leftFlag;
  }
  // Through temporaries: s may be left or right itself.
  std::string before = s.substr(0, at), after = s.substr(at + 1);
  left = std::move(before);
  right = std::move(after);
  return leftFlag | rightFlag;
}

void CFtpUrl::Parse(const std::string& url) {
  std::string rest;
  int flags = SplitAtChar(url, m_strScheme, rest, ':', kScheme, kColon);
  m_strUser.clear();
  m_strPassword.clear();
  m_strHost.clear();
  m_strPort.clear();
  m_strPath.clear();
  m_strType.clear();
  if (rest.compare(0, 2, "//") == 0) {
    std::string_view afterSlashes = std::string_view(rest).substr(2);
    std::size_t slash = MbsIndexOfChar(afterSlashes, '/');
    std::string hostPart(afterSlashes.substr(0, slash));
    std::size_t at = MbsIndexOfChar(hostPart, '@');
    if (at != std::string_view::npos) {
      flags |= SplitAtChar(hostPart.substr(0, at), m_strUser, m_strPassword, ':', kUser, kPassword);
      hostPart.erase(0, at + 1);
    }
    flags |= SplitAtChar(hostPart, m_strHost, m_strPort, ':', kHost, kPort);
    if (slash != std::string_view::npos)
      flags |= SplitAtChar(std::string(afterSlashes.substr(slash + 1)), m_strPath, m_strType, ';', kPath, kType);
  }
  m_nFlags = flags;
}

std::string CFtpUrl::Build() const {
  std::string text = "//";
  text += m_strUser;
  if (!m_strPassword.empty()) text += ":" + m_strPassword;
  if (text.size() > 2) text += '@';
  text += m_strHost;
  if (!m_strPort.empty()) text += ":" + m_strPort;
  text += "/" + m_strPath;
  return m_strScheme + ":" + text;
}

}  // namespace qor
