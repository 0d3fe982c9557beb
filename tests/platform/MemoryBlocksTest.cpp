// Global memory blocks, streams over them, storage media and clipboard
// format names, as the data object hands stored files to a consumer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

std::string BlockText(HGLOBAL block, std::size_t length) {
  auto* bytes = static_cast<const char*>(GlobalLock(block));
  std::string text = bytes ? std::string(bytes, length) : std::string();
  GlobalUnlock(block);
  return text;
}

TEST(GlobalMemory, BlocksGrowUnderTheSameHandleAndKeepTheirBytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 4);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(GlobalSize(block), 4u);
  auto* bytes = static_cast<char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  std::memcpy(bytes, "abcd", 4);
  GlobalUnlock(block);
  ASSERT_EQ(GlobalReAlloc(block, 9000, GMEM_MOVEABLE), block) << "a movable block keeps its handle";
  EXPECT_GE(GlobalSize(block), 9000u);
  EXPECT_EQ(BlockText(block, 4), "abcd");
  EXPECT_EQ(GlobalFree(block), nullptr);

  HGLOBAL zeroed = GlobalAlloc(GMEM_DDESHARE | GMEM_ZEROINIT, 668);
  ASSERT_NE(zeroed, nullptr);
  EXPECT_EQ(BlockText(zeroed, 668), std::string(668, '\0'));
  EXPECT_EQ(GlobalFree(zeroed), nullptr);
}

TEST(GlobalMemory, StreamSizedToItsContentsReadsThemAndFreesTheBlock) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8192);
  ASSERT_NE(block, nullptr);
  auto* bytes = static_cast<char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  std::memcpy(bytes, "stored bytes", 12);
  GlobalUnlock(block);

  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
  ULARGE_INTEGER size{};
  size.QuadPart = 12;
  EXPECT_EQ(stream->SetSize(size), S_OK);
  STATSTG stat{};
  EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 12u);
  char read[32] = {};
  ULONG got = 0;
  EXPECT_EQ(stream->Read(read, sizeof read, &got), S_OK);
  EXPECT_EQ(std::string(read, got), "stored bytes");
  LARGE_INTEGER back{};
  back.QuadPart = -5;
  ULARGE_INTEGER position{};
  EXPECT_EQ(stream->Seek(back, STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position.QuadPart, 7u);
  EXPECT_EQ(stream->Write("BYTES!", 6, &got), S_OK);
  EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 13u) << "writing past the end grows the stream";

  STGMEDIUM medium{};
  medium.tymed = TYMED_ISTREAM;
  medium.pstm = stream;
  ReleaseStgMedium(&medium);  // the last reference: the block goes with it
}

TEST(ClipboardFormats, OneNumberPerNameWhateverItsCase) {
  UINT contents = RegisterClipboardFormatA("FileContents");
  EXPECT_GE(contents, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormatA("FILECONTENTS"), contents);
  UINT descriptor = RegisterClipboardFormatA("FileGroupDescriptor");
  EXPECT_GE(descriptor, 0xC000u);
  EXPECT_NE(descriptor, contents);
}

}  // namespace
