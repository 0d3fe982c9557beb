// The archive item record. Records come back from hosts inside lists the
// library did not make, so every field is read only after checking that the
// item's own cb covers it; a short or foreign item answers the defaults.
#include "platform/win32.h"

#include "qor/QORITEMIDLIST.h"

#include <cstring>
#include <vector>

#include "itemid/LittleEndian.h"
#include "itemid/Pidl.h"
#include "itemid/RecordList.h"
#include "names/MbString.h"

namespace {

constexpr BYTE kSignature[4] = {'Q', 'i', 'd', 'l'};
constexpr std::size_t kIndexEnd = 10;  // the index field ends here
constexpr DWORD kNoIndex = 0xFFFFFFFF;
constexpr DWORD kDirectory = 0x10;
static_assert(QORITEMIDLIST::kMaxNameLength + QORITEMIDLIST::kFixedSize + 1 == qor::kMaxPidlAllocSize);

const BYTE* Bytes(const QORITEMIDLIST* record) { return reinterpret_cast<const BYTE*>(record); }

WORD ItemSize(const QORITEMIDLIST* record) { return qor::ReadLE16(record->m_cb); }

LPCITEMIDLIST AsList(const QORITEMIDLIST* record) { return reinterpret_cast<LPCITEMIDLIST>(record); }

QORITEMIDLIST* AsRecord(const ITEMIDLIST* list) {
  return reinterpret_cast<QORITEMIDLIST*>(const_cast<ITEMIDLIST*>(list));
}

}  // namespace

QORITEMIDLIST* qor::WriteRecordList(void* at, const char* name, std::size_t n, DWORD index, DWORD attributes,
                                    DWORD length, const FILETIME& time) noexcept {
  auto* record = static_cast<QORITEMIDLIST*>(at);
  qor::WriteLE16(record->m_cb, static_cast<WORD>(QORITEMIDLIST::kFixedSize + 1 + n));
  std::memcpy(record->m_signature, kSignature, sizeof kSignature);
  qor::WriteLE32(record->m_index, index);
  qor::WriteLE32(record->m_attributes, attributes);
  qor::WriteLE32(record->m_length, length);
  qor::WriteLE32(record->m_time, time.dwLowDateTime);
  qor::WriteLE32(record->m_time + 4, time.dwHighDateTime);
  qor::WriteLE16(record->m_nameOffset, 0);
  BYTE* bytes = static_cast<BYTE*>(at);
  std::memcpy(bytes + QORITEMIDLIST::kFixedSize, name, n);
  bytes[QORITEMIDLIST::kFixedSize + n] = 0;
  bytes[QORITEMIDLIST::kFixedSize + n + 1] = 0;  // the list's terminator
  bytes[QORITEMIDLIST::kFixedSize + n + 2] = 0;
  return record;
}

QORITEMIDLIST* QORITEMIDLIST::create(const char* name, DWORD index, DWORD attributes, DWORD length,
                                     const FILETIME& time) {
  if (!name) name = "";
  std::size_t n = std::strlen(name);
  if (n > kMaxNameLength) return nullptr;
  ITEMIDLIST* list = qor::PidlAlloc(static_cast<WORD>(kFixedSize + 1 + n));
  if (!list) return nullptr;
  return qor::WriteRecordList(list, name, n, index, attributes, length, time);
}

bool QORITEMIDLIST::isQORITEMIDLIST() const {
  return ItemSize(this) >= kFixedSize && std::memcmp(m_signature, kSignature, sizeof kSignature) == 0;
}

DWORD QORITEMIDLIST::getIndex() const { return ItemSize(this) >= kIndexEnd ? qor::ReadLE32(m_index) : kNoIndex; }

DWORD QORITEMIDLIST::getAttributes() const { return isQORITEMIDLIST() ? qor::ReadLE32(m_attributes) : kDirectory; }

bool QORITEMIDLIST::isFolder() const { return (getAttributes() & kDirectory) != 0; }

DWORD QORITEMIDLIST::getLength() const { return isQORITEMIDLIST() ? qor::ReadLE32(m_length) : 0; }

FILETIME QORITEMIDLIST::getLastModifiedTime() const {
  FILETIME time{};
  if (isQORITEMIDLIST()) {
    time.dwLowDateTime = qor::ReadLE32(m_time);
    time.dwHighDateTime = qor::ReadLE32(m_time + 4);
  }
  return time;
}

std::string QORITEMIDLIST::getFileName() const {
  if (!isQORITEMIDLIST()) return {};
  std::size_t start = kFixedSize + qor::ReadLE16(m_nameOffset);
  std::size_t end = ItemSize(this);
  if (start >= end) return {};
  const BYTE* text = Bytes(this) + start;
  const void* zero = std::memchr(text, 0, end - start);
  std::size_t n = zero ? static_cast<std::size_t>(static_cast<const BYTE*>(zero) - text) : end - start;
  return std::string(reinterpret_cast<const char*>(text), n);
}

std::string QORITEMIDLIST::getFilePath() const {
  // An empty name is followed by a backslash only when a non-empty name comes
  // somewhere after it, so the path is every name up to the last non-empty
  // one. Built in one pass, not by recursion: a host's list may be long.
  std::vector<std::string> names;
  const QORITEMIDLIST* item = this;
  do {
    names.push_back(item->getFileName());
    item = item->next();
  } while (ItemSize(item) != 0);
  std::size_t count = names.size();
  while (count > 1 && names[count - 1].empty()) --count;
  std::string path = names[0];
  for (std::size_t i = 1; i < count; ++i) {
    path += '\\';
    path += names[i];
  }
  return path;
}

bool QORITEMIDLIST::operator<(const QORITEMIDLIST& other) const {
  return qor::MbsICompare(getFileName().c_str(), other.getFileName().c_str()) < 0;
}

bool QORITEMIDLIST::compare(const QORITEMIDLIST& other) const { return qor::PidlEqual(AsList(this), AsList(&other)); }

QORITEMIDLIST* QORITEMIDLIST::duplicate() const { return AsRecord(qor::PidlCopy(AsList(this))); }

QORITEMIDLIST* QORITEMIDLIST::concat(const QORITEMIDLIST* other) const {
  return AsRecord(qor::PidlConcat(AsList(this), AsList(other)));
}

QORITEMIDLIST* QORITEMIDLIST::next() const { return AsRecord(qor::PidlNext(AsList(this))); }

QORITEMIDLIST* QORITEMIDLIST::last() const { return AsRecord(qor::PidlLast(AsList(this))); }

DWORD QORITEMIDLIST::getSize() const { return qor::PidlGetSize(AsList(this)); }

DWORD QORITEMIDLIST::getSizeOne() const { return ItemSize(this); }

void QORITEMIDLIST::free() const { qor::PidlFree(AsList(this)); }

QORITEMIDLIST& QORITEMIDLIST::operator=(const QORITEMIDLIST& other) {
  if (this != &other && ItemSize(this) >= kFixedSize && ItemSize(&other) >= kFixedSize)
    std::memcpy(reinterpret_cast<BYTE*>(this) + sizeof m_cb, Bytes(&other) + sizeof m_cb, kFixedSize - sizeof m_cb);
  return *this;
}
