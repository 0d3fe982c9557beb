// The file calls the archive reader and the extractor rely on, with their
// Windows error codes.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "support/TempDirectory.h"

namespace {

using qor::test::TempDirectory;

HANDLE OpenForReading(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

DWORD OpenError(const std::string& path, DWORD disposition = OPEN_EXISTING, DWORD access = GENERIC_READ) {
  SetLastError(0);
  HANDLE file = CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return ERROR_SUCCESS;
  }
  return GetLastError();
}

TEST(FileCalls, OpenFailuresCarryWindowsErrorCodes) {
  TempDirectory dir;
  dir.Write("present.bin", "x");
  dir.MakeDirectory("sub");
  struct Row {
    const char* what;
    std::string path;
    DWORD disposition;
    DWORD expected;
  } rows[] = {
      {"missing file", dir.PathOf("missing.bin"), OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {"missing directory", dir.PathOf("nowhere\\file.bin"), OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {"a directory", dir.PathOf("sub"), OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {"create new over a file", dir.PathOf("present.bin"), CREATE_NEW, ERROR_FILE_EXISTS},
      {"create in a missing directory", dir.PathOf("nowhere\\new.bin"), CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
      {"present file", dir.PathOf("present.bin"), OPEN_EXISTING, ERROR_SUCCESS},
  };
  for (const Row& row : rows) EXPECT_EQ(OpenError(row.path, row.disposition), row.expected) << row.what;
}

TEST(FileCalls, AttributesTellDirectoriesFromFiles) {
  TempDirectory dir;
  dir.Write("f.txt", "abc");
  dir.MakeDirectory("d");
  EXPECT_NE(GetFileAttributesA(dir.PathOf("d").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  DWORD file = GetFileAttributesA(dir.PathOf("f.txt").c_str());
  ASSERT_NE(file, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(file & FILE_ATTRIBUTE_DIRECTORY, 0u);
  SetLastError(0);
  EXPECT_EQ(GetFileAttributesA(dir.PathOf("none").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(FileCalls, SeekReadAndLength) {
  TempDirectory dir;
  dir.Write("data.bin", "0123456789");
  HANDLE file = OpenForReading(dir.PathOf("data.bin"));
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD high = 1;
  EXPECT_EQ(GetFileSize(file, &high), 10u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(file, 7, nullptr, FILE_BEGIN), 7u);
  char buffer[8] = {};
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(got, 3u) << "a read past the end succeeds with a short count";
  EXPECT_EQ(std::string(buffer, got), "789");
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(SetFilePointer(file, 20, nullptr, FILE_BEGIN), 20u) << "seeking past the end is allowed";
  EXPECT_EQ(SetFilePointer(file, -30, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  CloseHandle(file);
}

TEST(FileCalls, CreateAlwaysTruncatesAndWrites) {
  TempDirectory dir;
  dir.Write("out.bin", "old contents");
  HANDLE file = CreateFileA(dir.PathOf("out.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "new", 3, &written, nullptr));
  EXPECT_EQ(written, 3u);
  CloseHandle(file);
  EXPECT_EQ(dir.Read("out.bin"), "new");
}

TEST(FileCalls, NamesInCp932WithTrailByte5C) {
  TempDirectory dir;
  const std::string name = "\x95\x5C\x83\x5C.txt";  // two characters whose trail byte is "\"
  dir.Write(name, "kanji");
  EXPECT_EQ(dir.Read(name), "kanji");
  EXPECT_EQ(GetFileAttributesA(dir.PathOf("\x95\x5C\x83\x5C.txt\\x").c_str()), INVALID_FILE_ATTRIBUTES)
      << "a file is no directory to look into";
}

TEST(FileCalls, FullPathResolvesDotsAndSeparators) {
  TempDirectory dir;
  char buffer[MAX_PATH];
  LPSTR filePart = nullptr;
  std::string input = dir.Path() + "/a/./b/../c.txt";
  DWORD length = GetFullPathNameA(input.c_str(), MAX_PATH, buffer, &filePart);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::string(buffer, length), dir.Path() + "\\a\\c.txt");
  ASSERT_NE(filePart, nullptr);
  EXPECT_STREQ(filePart, "c.txt");
  EXPECT_EQ(GetFullPathNameA(input.c_str(), 4, buffer, nullptr), length + 1) << "a short buffer asks for the size";
}

TEST(Interlocked, IncrementAndDecrementReturnTheNewValue) {
  LONG volatile value = 41;
  EXPECT_EQ(InterlockedIncrement(&value), 42);
  EXPECT_EQ(InterlockedDecrement(&value), 41);
}

}  // namespace
