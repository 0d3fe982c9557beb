// The parts of an ftp URL, taken apart and written out again, so that two
// ftp URLs can be compared without their user name, password and transfer
// type:
//   scheme ":" "//" [user [":" password] "@"] host [":" port] ["/" path [";" type]]
// Every delimiter is found at its first occurrence where a character begins
// (a trail byte never delimits). Parts are kept whole whatever their length:
// they are held in growing strings, so no part is cut short.
#pragma once

#include <string>

namespace qor {

// left = s before its first sep, right = the text after it, and the result
// leftFlag | rightFlag; without a sep, left = s, right is empty and the
// result is leftFlag.
int SplitAtChar(const std::string& s, std::string& left, std::string& right, unsigned char sep, int leftFlag,
                int rightFlag);

class CFtpUrl {
 public:
  // Which parts Parse found, as bits of m_nFlags.
  enum : int {
    kScheme = 0x01,      // always
    kColon = 0x02,       // a ':' follows the scheme
    kHost = 0x04,        // "//" follows the ':' (the host may be empty)
    kPort = 0x08,        // the host part holds a ':'
    kPath = 0x10,        // a '/' ends the host part
    kType = 0x20,        // the path holds a ';'
    kUser = 0x40,        // the host part holds an '@'
    kPassword = 0x80,    // the user information holds a ':'
  };

  // Fills every field from url. Meant for URLs of the ftp scheme; any other
  // text is taken apart by the same grammar.
  void Parse(const std::string& url);

  // scheme ":" "//" [user] [":" password] ["@" when either was written] host
  // [":" port] "/" path. The type is never written.
  std::string Build() const;

  std::string GetScheme() const { return m_strScheme; }

  std::string m_strScheme;
  std::string m_strUser;
  std::string m_strPassword;
  std::string m_strHost;
  std::string m_strPort;
  std::string m_strPath;
  std::string m_strType;
  int m_nFlags = 0;
};

}  // namespace qor
