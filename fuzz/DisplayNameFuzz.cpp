// Display names resolved in a folder tree built from fuzzed stored paths.
// The input is split at its first zero byte: before it, stored paths one per
// line (at most 64); after it, the typed name. The tree's ordered lookup
// (ResolveInFolder) must give exactly what a walk of the folders' children
// in order gives, comparing each child's name as the folder shows it: the
// same status and the same list, byte for byte.
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "platform/win32.h"

#include "catalog/ArchiveNode.h"
#include "itemid/Pidl.h"
#include "names/MbString.h"
#include "names/PathPrimitives.h"
#include "names/WideText.h"
#include "shell/DisplayNameResolution.h"

namespace {

constexpr char kTitle[] = "t.arc";
constexpr int kMaxPaths = 64;

// The name a folder shows for a stored name, as the listing sees it.
std::string Shown(const char* stored) {
  return qor::ToNarrow(qor::ToWide(*stored ? std::string_view(stored) : std::string_view(kTitle)).c_str());
}

// The walk a host that only lists folders would make.
HRESULT Walk(const qor::CArchiveNode& root, const std::string& path, qor::UniquePidl& list) {
  list.reset();
  if (path.empty()) {
    list.reset(qor::PidlAlloc(0));
    return S_OK;
  }
  const qor::CArchiveNode* folder = &root;
  const char* rest = path.c_str();
  for (;;) {
    std::string component;
    qor::TakeNextComponent(component, rest);
    std::ptrdiff_t last = static_cast<std::ptrdiff_t>(component.size()) - 1;
    if (qor::IsSeparatorAt(component, last) && component.back() == '\\') component.pop_back();
    const qor::ArchiveEntry* found = nullptr;
    for (const qor::ArchiveEntry& child : *folder) {
      if (qor::MbsCompare(Shown(child.Name()).c_str(), component.c_str()) == 0) {
        found = &child;
        break;
      }
    }
    if (!found) return S_FALSE;
    auto item = reinterpret_cast<LPCITEMIDLIST>(found->record);
    list.reset(list ? qor::PidlConcat(list.get(), item) : qor::PidlCopy(item));
    if (*rest == '\0') return S_OK;
    if (!found->IsFolder()) {
      list.reset();
      return E_FAIL;
    }
    folder = found->node.get();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  const char* zero = static_cast<const char*>(std::memchr(bytes, 0, size));
  if (!zero) return 0;
  std::string paths(bytes, zero), typed(zero + 1, bytes + size);
  if (typed.find('\0') != std::string::npos) return 0;

  qor::CArchiveNode root;
  DWORD index = 0;
  std::size_t start = 0;
  for (int n = 0; n < kMaxPaths && start <= paths.size(); ++n) {
    std::size_t end = paths.find('\n', start);
    if (end == std::string::npos) end = paths.size();
    root.AddPath(paths.substr(start, end - start).c_str(), index++, FILE_ATTRIBUTE_NORMAL, 0, FILETIME{});
    start = end + 1;
  }
  root.Seal();

  LPITEMIDLIST resolved = nullptr;
  HRESULT hr = qor::ResolveInFolder(root, kTitle, typed, &resolved);
  qor::UniquePidl lookedUp(resolved);
  qor::UniquePidl walked;
  HRESULT expected = Walk(root, typed, walked);
  FUZZ_CHECK(hr == expected);
  FUZZ_CHECK((lookedUp == nullptr) == (walked == nullptr));
  if (lookedUp) FUZZ_CHECK(qor::PidlEqual(lookedUp.get(), walked.get()));
  return 0;
}
