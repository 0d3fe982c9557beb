// The system code page of the stand-in is 932, converted through iconv.
#include "platform/posix/code_page.h"

#include <new>
#include <algorithm>
#include <cerrno>
#include <type_traits>
#include <iconv.h>
#include <string>

#include "platform/win32.h"

namespace {

constexpr UINT kCodePage932 = 932;
constexpr char16_t kCp932DefaultWide = u'\u30FB';  // what Windows gives for bytes that are no character

// One iconv descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  enum class Status { kDone, kInvalid, kUnavailable };

  // Converts as much of [*in, *in + *inLeft) as it can into out; stops at the
  // first invalid or unrepresentable sequence.
  Status Run(const char** in, size_t* inLeft, std::string& out) {
    if (m_cd == reinterpret_cast<iconv_t>(-1)) return Status::kUnavailable;
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[512];
    while (*inLeft > 0) {
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      size_t rc = iconv(m_cd, const_cast<char**>(in), inLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) return Status::kInvalid;
    }
    return Status::kDone;
  }

 private:
  iconv_t m_cd;
};

Converter& ConverterFor(const char* to, const char* from) {
  // Keyed by the pair; the few pairs used are listed here.
  thread_local Converter cp932ToUtf16("UTF-16LE", "CP932");
  thread_local Converter utf8ToUtf16("UTF-16LE", "UTF-8");
  thread_local Converter utf16ToCp932("CP932", "UTF-16LE");
  thread_local Converter utf16ToUtf8("UTF-8", "UTF-16LE");
  thread_local Converter cp932ToUtf8("UTF-8", "CP932");
  thread_local Converter utf8ToCp932("CP932", "UTF-8");
  std::string_view t(to), f(from);
  if (f == "CP932") return t == "UTF-8" ? cp932ToUtf8 : cp932ToUtf16;
  if (f == "UTF-8") return t == "CP932" ? utf8ToCp932 : utf8ToUtf16;
  return t == "CP932" ? utf16ToCp932 : utf16ToUtf8;
}

const char* IconvName(UINT codePage) {
  if (codePage == CP_ACP || codePage == kCodePage932) return "CP932";
  if (codePage == CP_UTF8) return "UTF-8";
  return nullptr;
}

// Bytes and units below 0x80 are the same characters in code page 932, UTF-8
// and UTF-16: most names and paths are converted without iconv.
template <typename Char>
bool IsAscii(const Char* text, size_t length) {
  return std::all_of(text, text + length, [](Char c) { return static_cast<std::make_unsigned_t<Char>>(c) < 0x80; });
}

std::optional<std::string> ConvertStrict(const char* to, const char* from, std::string_view text) {
  if (IsAscii(text.data(), text.size())) return std::string(text);
  std::string out;
  const char* in = text.data();
  size_t left = text.size();
  if (ConverterFor(to, from).Run(&in, &left, out) != Converter::Status::kDone) return std::nullopt;
  return out;
}

// Copies a converted string to the caller's buffer with the Windows rules:
// a zero-sized buffer asks for the size, a short one fails.
template <typename Char>
int Deliver(const std::basic_string<Char>& text, Char* buffer, int capacity) {
  int size = static_cast<int>(text.size());
  if (capacity == 0) return size;
  if (size > capacity) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(text.begin(), text.end(), buffer);
  return size;
}

}  // namespace

BOOL IsDBCSLeadByte(BYTE TestChar) { return qor::posix::IsCp932LeadByte(TestChar); }

UINT GetACP() { return kCodePage932; }

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) try {
  const char* source = IconvName(CodePage);
  if (!source || !lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
      (cchWideChar > 0 && !lpWideCharStr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* in = lpMultiByteStr;
  size_t left = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
  if (IsAscii(in, left)) return Deliver(std::u16string(in, in + left), lpWideCharStr, cchWideChar);
  std::string bytes;
  Converter& converter = ConverterFor("UTF-16LE", source);
  for (;;) {
    Converter::Status status = converter.Run(&in, &left, bytes);
    if (status == Converter::Status::kDone) break;
    if (status == Converter::Status::kUnavailable || (dwFlags & MB_ERR_INVALID_CHARS)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    // A byte that starts no character becomes the default character.
    char16_t fallback = CodePage == CP_UTF8 ? u'\uFFFD' : kCp932DefaultWide;
    bytes.append(reinterpret_cast<const char*>(&fallback), sizeof fallback);
    ++in;
    --left;
  }
  std::u16string wide(bytes.size() / 2, u'\0');
  std::memcpy(wide.data(), bytes.data(), wide.size() * 2);
  return Deliver(wide, lpWideCharStr, cchWideChar);
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return 0;
}

int WideCharToMultiByte(UINT CodePage, DWORD /*dwFlags*/, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) try {
  const char* target = IconvName(CodePage);
  if (!target || !lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
      (cbMultiByte > 0 && !lpMultiByteStr) || (CodePage == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t units = cchWideChar == -1 ? std::char_traits<char16_t>::length(lpWideCharStr) + 1
                                   : static_cast<size_t>(cchWideChar);
  if (IsAscii(lpWideCharStr, units)) {
    if (lpUsedDefaultChar) *lpUsedDefaultChar = FALSE;
    return Deliver(std::string(lpWideCharStr, lpWideCharStr + units), lpMultiByteStr, cbMultiByte);
  }
  const char* in = reinterpret_cast<const char*>(lpWideCharStr);
  size_t left = units * 2;
  std::string out;
  bool usedDefault = false;
  Converter& converter = ConverterFor(target, "UTF-16LE");
  for (;;) {
    Converter::Status status = converter.Run(&in, &left, out);
    if (status == Converter::Status::kDone) break;
    if (status == Converter::Status::kUnavailable) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    // A character the code page cannot hold becomes the default character.
    if (CodePage == CP_UTF8) {
      out += "\xEF\xBF\xBD";
    } else {
      out += lpDefaultChar ? lpDefaultChar[0] : '?';
      usedDefault = true;
    }
    in += 2;
    left -= left >= 2 ? 2 : left;
  }
  if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  return Deliver(out, lpMultiByteStr, cbMultiByte);
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return 0;
}

namespace qor::posix {
std::optional<std::string> Cp932ToUtf8(std::string_view text) { return ConvertStrict("UTF-8", "CP932", text); }
std::optional<std::string> Utf8ToCp932(std::string_view text) { return ConvertStrict("CP932", "UTF-8", text); }
}  // namespace qor::posix
