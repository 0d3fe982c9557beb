// The type library's fallback file. The live-object count and the unload
// check are followed through every object's life by the shell tests; the
// empty class table and the registration results by the C host in
// tests/host (CheckUnload, regsvr32 /u).
#include <gtest/gtest.h>

#include "server/TypeLibRegistration.h"

namespace {

TEST(TypeLibFallback, TypeLibraryFileStandsBesideTheModule) {
  const struct { const char *module, *tlb, *helpDirectory; } rows[] = {
      {"C:\\Prog.d\\qor", "C:\\Prog.tlb", "C:\\Prog.d\\"},  // the last "." wherever it stands
      {"qor", "qor.tlb", ""},
      {"C:qor.dll", "C:qor.tlb", "C:"},
      {"D:/lib/a.b.dll", "D:/lib/a.b.tlb", "D:/lib/"},
      {"C:\\x\\\x95\x5C", "C:\\x\\\x95\x5C.tlb", "C:\\x\\"},  // a trail byte 0x5C is no separator
  };
  for (const auto& row : rows) {
    EXPECT_EQ(qor::TypeLibFallbackPath(row.module), row.tlb) << row.module;
    EXPECT_EQ(qor::TypeLibHelpDirectory(row.module), row.helpDirectory) << row.module;
  }
}

}  // namespace
