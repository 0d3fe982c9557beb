#include "shell/CzKtrnArchiveLink.h"

#include <cstring>

#include "itemid/Pidl.h"
#include "itemid/ShellPaths.h"
#include "names/MbString.h"
#include "names/WideText.h"
#include "platform/ResultMacros.h"
#include "qor/QORITEMIDLIST.h"
#include "shell/CzKtrnArchiveObject.h"

namespace qor {
namespace {

constexpr char kSection[] = "zKtrnArchiveLink";
constexpr char kKey[] = "Path";
// The longest value read back is one byte less, as the profile call needs
// room for the terminator.
constexpr DWORD kValueBuffer = 520;
constexpr std::size_t kLongestValue = kValueBuffer - 1;

const QORITEMIDLIST* Record(LPCITEMIDLIST pidl) noexcept { return reinterpret_cast<const QORITEMIDLIST*>(pidl); }

// The status a failed profile write reports, from the platform's reason.
HRESULT SaveFailure(DWORD error) noexcept {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return STG_E_FILENOTFOUND;
    case ERROR_PATH_NOT_FOUND: return STG_E_PATHNOTFOUND;
    case ERROR_TOO_MANY_OPEN_FILES: return STG_E_TOOMANYOPENFILES;
    case ERROR_ACCESS_DENIED: return STG_E_ACCESSDENIED;
    default: return E_FAIL;
  }
}

// The value as the Path line holds it. The profile service drops the blanks
// around a value and one pair of quotes around it, so a value that starts or
// ends with a blank, or is itself wrapped in quotes, is written in quotes and
// reads back as it was.
std::string ProfileValue(const std::string& value) {
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  bool blankEdge = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
  bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  return blankEdge || quoted ? '"' + value + '"' : value;
}

}  // namespace

HRESULT CzKtrnArchiveLink::Create(REFIID riid, void** ppv) noexcept {
  RETURN_HR_IF_NULL(E_INVALIDARG, ppv);
  *ppv = nullptr;
  RETURN_HR_IF(E_NOINTERFACE, !IsEqualIID(riid, IID_IzKtrnArchiveLink));
  ComPtr<CzKtrnArchiveLink> link = NewComObject<CzKtrnArchiveLink>();
  RETURN_IF_NULL_ALLOC(link);
  return link->QueryInterface(riid, ppv);
}

// The items before the first archive record lead through the shell to the
// archive file; the record and the items after it are the place inside. A
// list without records names a file of the shell, with an empty inner path.
STDMETHODIMP CzKtrnArchiveLink::SetIDList(LPCITEMIDLIST pidl) noexcept try {
  UniquePidl shellPart, archivePart;
  for (LPCITEMIDLIST item = pidl; item && PidlGetItemSize(item) != 0; item = PidlNext(item)) {
    if (Record(item)->isQORITEMIDLIST()) {
      archivePart.reset(PidlCopy(item));
      RETURN_IF_NULL_ALLOC(archivePart);
      break;
    }
    UniquePidl one(PidlCopyFirst(item));
    RETURN_IF_NULL_ALLOC(one);
    shellPart.reset(shellPart ? PidlConcat(shellPart.get(), one.get()) : one.release());
    RETURN_IF_NULL_ALLOC(shellPart);
  }
  std::string archive = PidlToPath(shellPart.get(), SHGDN_FORPARSING);
  std::string inner = archivePart ? Record(archivePart.get())->getFilePath() : std::string();
  m_strArchive.swap(archive);
  m_strInnerPath.swap(inner);
  m_bDirty = true;
  return S_OK;
}
CATCH_RETURN()

// The archive's root folder does not keep the archive object alive: when the
// link held the only reference, the folder handed out is unbound once this
// returns, while the list stays valid (its records hold everything).
STDMETHODIMP CzKtrnArchiveLink::Resolve(IUnknown** ppunk, LPITEMIDLIST* ppidl) noexcept try {
  RETURN_HR_IF(E_FAIL, m_strArchive.empty());
  RETURN_HR_IF(E_POINTER, !ppunk || !ppidl);
  *ppunk = nullptr;
  *ppidl = nullptr;
  ComPtr<IzKtrnArchiveObject> archive;
  RETURN_IF_FAILED(CzKtrnArchiveObject::CreateShared(m_strArchive.c_str(), IID_IzKtrnArchiveObject, archive.PutVoid()));
  ComPtr<IUnknown> root;
  RETURN_IF_FAILED(archive->get_archiveRootFolder(root.Put()));
  ComPtr<IShellFolder> folder;
  RETURN_IF_FAILED(root.QueryInterface(IID_IShellFolder, folder.PutVoid()));
  WideString inner = ToWide(m_strInnerPath);
  LPITEMIDLIST parsed = nullptr;
  RETURN_IF_FAILED(folder->ParseDisplayName(nullptr, nullptr, inner.data(), nullptr, &parsed, nullptr));
  UniquePidl list(parsed);
  RETURN_IF_FAILED(folder.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ppunk)));
  *ppidl = list.release();
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CzKtrnArchiveLink::GetClassID(CLSID* pClassID) noexcept {
  RETURN_HR_IF_NULL(E_INVALIDARG, pClassID);
  *pClassID = CLSID_zKtrnArchiveLink;
  return S_OK;
}

// dwMode is not needed: the file is only read. A value without '/' has no
// archive part, and such a link cannot be resolved.
STDMETHODIMP CzKtrnArchiveLink::Load(LPCOLESTR pszFileName, DWORD) noexcept try {
  std::string file = ToNarrow(pszFileName);
  char value[kValueBuffer] = {};
  DWORD length = GetPrivateProfileStringA(kSection, kKey, "", value, kValueBuffer, file.c_str());
  // A zero byte in the file ends the value: the link's paths are text.
  std::string text(value, strnlen(value, length));
  RETURN_HR_IF(E_FAIL, text.empty());
  std::size_t slash = MbsIndexOfChar(text, '/');
  std::string archive = slash == std::string::npos ? std::string() : text.substr(0, slash);
  std::string inner = slash == std::string::npos ? text : text.substr(slash + 1);
  m_strArchive.swap(archive);
  m_strInnerPath.swap(inner);
  m_strLinkFile.swap(file);
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CzKtrnArchiveLink::Save(LPCOLESTR pszFileName, BOOL fRemember) noexcept try {
  std::string named = ToNarrow(pszFileName);
  const std::string& file = named.empty() ? m_strLinkFile : named;
  RETURN_HR_IF(E_FAIL, file.empty());
  std::string value = m_strArchive + "/" + m_strInnerPath;
  // A line break would end the line early and turn the rest into lines of
  // their own: such a place cannot be saved in this file format.
  RETURN_HR_IF(E_INVALIDARG, value.find_first_of("\r\n") != std::string::npos);
  // Load reads back no more than kLongestValue bytes: a longer value would
  // come back cut, perhaps inside a character, and lead elsewhere. The
  // quotes that ProfileValue may add count, as the line holds them.
  const std::string line = ProfileValue(value);
  RETURN_HR_IF(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE), line.size() > kLongestValue);
  if (!WritePrivateProfileStringA(kSection, kKey, line.c_str(), file.c_str()))
    return SaveFailure(GetLastError());
  if (fRemember) {
    if (!named.empty()) m_strLinkFile = named;
    m_bDirty = false;
  }
  return S_OK;
}
CATCH_RETURN()

}  // namespace qor
