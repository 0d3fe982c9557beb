// The file calls the archive reader and the extractor rely on, with their
// Windows error codes.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "support/TempDirectory.h"

namespace {

using qor::test::TempDirectory;

// Reads and writes through a handle are exercised by the archive tests'
// disk file; here the errors of opening, the length's high half, the error
// of a seek before the start, and full paths.
TEST(FileCalls, OpenFailuresCarryWindowsErrorCodesSeeksStopAtTheStartAndFullPathsResolveDots) {
  TempDirectory dir;
  dir.Write("present.bin", "0123456789");
  dir.MakeDirectory("sub");
  const struct { const char* what; std::string path; DWORD disposition, expected; } rows[] = {
      {"missing file", dir.PathOf("missing.bin"), OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {"missing directory", dir.PathOf("nowhere\\file.bin"), OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {"a directory", dir.PathOf("sub"), OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {"create new over a file", dir.PathOf("present.bin"), CREATE_NEW, ERROR_FILE_EXISTS},
      {"create in a missing directory", dir.PathOf("nowhere\\new.bin"), CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
      {"present file", dir.PathOf("present.bin"), OPEN_EXISTING, ERROR_SUCCESS},
  };
  for (const auto& row : rows) {
    SetLastError(0);
    HANDLE file =
        CreateFileA(row.path.c_str(), GENERIC_READ, 0, nullptr, row.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS, row.expected) << row.what;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  HANDLE file = CreateFileA(dir.PathOf("present.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD high = 1;
  EXPECT_EQ(GetFileSize(file, &high), 10u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(file, 20, nullptr, FILE_BEGIN), 20u) << "seeking past the end is allowed";
  EXPECT_EQ(SetFilePointer(file, -30, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  CloseHandle(file);

  char buffer[MAX_PATH];
  LPSTR filePart = nullptr;
  std::string input = dir.Path() + "/a/./b/../c.txt";
  DWORD length = GetFullPathNameA(input.c_str(), MAX_PATH, buffer, &filePart);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::string(buffer, length), dir.Path() + "\\a\\c.txt");
  ASSERT_NE(filePart, nullptr);
  EXPECT_STREQ(filePart, "c.txt");
  EXPECT_EQ(GetFullPathNameA(input.c_str(), 4, buffer, nullptr), length + 1) << "a short buffer asks for the size";
  // A kanji whose second byte is 0x5C ends a name, not a folder.
  length = GetFullPathNameA("C:\\a\\\x95\x5C", MAX_PATH, buffer, nullptr);
  EXPECT_EQ(std::string(buffer, length), "C:\\a\\\x95\x5C");
}

}  // namespace
