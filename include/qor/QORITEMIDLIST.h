// QORITEMIDLIST: the archive item record that QOR puts into item-ID lists,
// viewed in place. A pointer to the first byte of an item is a
// QORITEMIDLIST*, and a pointer to the first item of a list is both the list
// and its first record. Hosts read records through this class; they never
// construct one, they get them from lists or from create().
//
// Byte layout of one record (little-endian, unaligned, no padding):
//
//   offset size field
//      0    2   cb           size of this item, this field included: 29 + name length
//      2    4   signature    the bytes "Qidl"
//      6    4   index        catalogue index of the stored file; 0xFFFFFFFF for a folder
//     10    4   attributes   0x80 for a stored file, 0x10 (directory) for a folder
//     14    4   length       size of the stored file in bytes; 0 for a folder
//     18    8   time         FILETIME, low half first
//     26    2   name offset  where the name starts, counted from offset 28; written as 0
//     28  n+1   name         one path component in the system code page, zero-terminated
//
// The next item, or the list's two-byte terminator, follows at offset cb. The
// class is the fixed 28 bytes; the name lies behind it.
//
// Items of other origins may stand in the same list. Every accessor reads
// only within the item's own cb and answers fixed defaults for an item that is
// not a record. Lists and records returned here are allocated with the shell
// task allocator and belong to the caller, who frees them with free().
//
// The string results are std::string objects of the C++ runtime QOR.DLL is
// built with; a host that reads them must be built with the same one.
#pragma once

#ifndef __cplusplus
#error "QORITEMIDLIST is a C++ class; C hosts read records through qor/qor.h's interfaces."
#endif

#include <cstddef>
#include <string>

#include "qor/winapi.h"

#if defined(_WIN32)
#if defined(QOR_EXPORTS)
#define QOR_CLASS_API __declspec(dllexport)
#else
#define QOR_CLASS_API __declspec(dllimport)
#endif
#else
#define QOR_CLASS_API __attribute__((visibility("default")))
#endif

class QOR_CLASS_API QORITEMIDLIST {
 public:
  // Size of the fixed part; the name starts at this offset (plus the name
  // offset field).
  static constexpr std::size_t kFixedSize = 28;
  // The longest name a record can hold: cb = 29 + n, and the block with the
  // list terminator, must stay within 16 bits.
  static constexpr std::size_t kMaxNameLength = 0xFFFF - 2 - (kFixedSize + 1);

  // A new one-item list holding one record: cb = 29 + strlen(name), the given
  // fields, name offset 0 and the name with its zero byte, followed by the
  // terminator. A null name is the empty name. Null when the task allocator
  // fails or the name is longer than kMaxNameLength.
  static QORITEMIDLIST* create(const char* name, DWORD index, DWORD attributes, DWORD length, const FILETIME& time);

  // cb >= 28 and the signature "Qidl".
  bool isQORITEMIDLIST() const;
  // The index field, read whether or not the item is a record. An item too
  // short to hold the field gives 0xFFFFFFFF, the index of no stored file.
  DWORD getIndex() const;
  // The attributes field of a record; 0x10 for an item that is not a record.
  DWORD getAttributes() const;
  // Bit 0x10 of getAttributes: an item that is not a record counts as a folder.
  bool isFolder() const;
  // The length field of a record; 0 otherwise.
  DWORD getLength() const;
  // The time field of a record; both halves 0 otherwise.
  FILETIME getLastModifiedTime() const;
  // The name of a record: the text at offset 28 + name offset up to its zero
  // byte, or up to the end of the item when no zero byte comes first. Empty
  // for an item that is not a record or whose name offset lies outside it.
  std::string getFileName() const;
  // The names of this item and of every item after it up to the terminator,
  // joined with backslashes; an empty name adds nothing when nothing but
  // empty names follows it, so [docs, readme.txt] gives docs\readme.txt and
  // [foreign item, a] gives \a.
  std::string getFilePath() const;

  // getFileName of this item is less than that of other, letters A-Z taken as
  // a-z (multi-byte order of the system code page).
  bool operator<(const QORITEMIDLIST& other) const;
  // True when the lists starting at this item and at other are equal byte for
  // byte. True means equal.
  bool compare(const QORITEMIDLIST& other) const;

  // A copy of the list from this item to the terminator; null on failure.
  QORITEMIDLIST* duplicate() const;
  // A new list: this list's items, then other's; null on failure.
  QORITEMIDLIST* concat(const QORITEMIDLIST* other) const;
  // The item that follows; this item itself when it is the terminator.
  QORITEMIDLIST* next() const;
  // The last item of the list; this item when the list is empty.
  QORITEMIDLIST* last() const;
  // The size of the list's items without the terminator (16-bit, widened).
  DWORD getSize() const;
  // cb of this item.
  DWORD getSizeOne() const;
  // Returns the whole list to the shell task allocator. The record must be
  // the start of a list allocated with that allocator.
  void free() const;

  // Copies bytes 2 to 27 of other (signature to name offset) over this
  // record; the name bytes are not copied, and this item keeps its own cb,
  // which describes its own storage. Nothing is copied unless both items hold
  // the whole fixed part.
  QORITEMIDLIST& operator=(const QORITEMIDLIST& other);

  // The fixed part as bytes, so that the layout is exactly the one above on
  // every compiler and no field is read through a wider type.
  BYTE m_cb[2];
  BYTE m_signature[4];
  BYTE m_index[4];
  BYTE m_attributes[4];
  BYTE m_length[4];
  BYTE m_time[8];
  BYTE m_nameOffset[2];
};

static_assert(sizeof(QORITEMIDLIST) == QORITEMIDLIST::kFixedSize);
static_assert(alignof(QORITEMIDLIST) == 1);
static_assert(offsetof(QORITEMIDLIST, m_cb) == 0);
static_assert(offsetof(QORITEMIDLIST, m_signature) == 2);
static_assert(offsetof(QORITEMIDLIST, m_index) == 6);
static_assert(offsetof(QORITEMIDLIST, m_attributes) == 10);
static_assert(offsetof(QORITEMIDLIST, m_length) == 14);
static_assert(offsetof(QORITEMIDLIST, m_time) == 18);
static_assert(offsetof(QORITEMIDLIST, m_nameOffset) == 26);
