# 32 or 64: the word size of the build, which the type library, Wine and the
# download are made for.
math(EXPR QOR_WORD_SIZE "${CMAKE_SIZEOF_VOID_P} * 8")

# Windows builds link the C and C++ runtimes statically, so QOR.DLL and the
# test programs import only system DLLs.
if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(QOR_SYSTEM_LIBS shell32 ole32 oleaut32 uuid shlwapi user32 advapi32)
else()
  # Archives and extracted files may pass 2 GiB on 32-bit builds too.
  add_compile_definitions(_FILE_OFFSET_BITS=64)
  find_package(Iconv REQUIRED)
endif()
