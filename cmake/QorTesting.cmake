# The system's googletest libraries are built for this machine; the other
# targets build googletest from Debian's sources.
if(WIN32 OR CMAKE_CROSSCOMPILING)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The false -Wrestrict of GCC 12 (see QorWarnings.cmake) fires in
  # googletest's own sources too.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(gtest PRIVATE -Wno-restrict)
  endif()
  set(QOR_GTEST_LIBS gtest gmock)
else()
  find_package(GTest REQUIRED)
  set(QOR_GTEST_LIBS GTest::gtest GTest::gmock)
endif()

# One test process per test program: natively as it is, on Windows builds
# under Wine with a prefix inside the build tree, the Japanese locale (code
# page 932) and Wine's own messages silenced. The 32-bit build runs under
# 32-bit Wine in a prefix that is 32-bit Windows through and through
# (WINEARCH=win32), as the shipped QOR.DLL meets it.
if(WIN32)
  set(QOR_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  if(QOR_WORD_SIZE EQUAL 32)
    find_program(QOR_WINE NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(QOR_WINE_ARCH WINEARCH=win32)
  else()
    find_program(QOR_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(QOR_WINE_ARCH WINEARCH=win64)
  endif()
  set(QOR_WINE_ENV WINEPREFIX=${QOR_WINE_PREFIX} ${QOR_WINE_ARCH} WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
      WINEDLLOVERRIDES=mscoree,mshtml=)
  # Creating the prefix takes a while; every Wine test waits for it.
  add_test(NAME wine_prefix
    COMMAND ${CMAKE_COMMAND} -E env ${QOR_WINE_ENV} ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh ${QOR_WINE})
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
endif()

# qor_add_test(<name> <target> [ARGS ...]): runs a program of the build as
# one test, in the program's own folder: natively as it is, on Windows builds
# under Wine.
function(qor_add_test name target)
  cmake_parse_arguments(ARG "" "" "ARGS" ${ARGN})
  if(WIN32)
    add_test(NAME ${name}
      COMMAND ${CMAKE_COMMAND} -E env ${QOR_WINE_ENV} ${QOR_WINE} $<TARGET_FILE:${target}> ${ARG_ARGS}
      WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900)
  else()
    add_test(NAME ${name} COMMAND ${target} ${ARG_ARGS} WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>)
    set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  endif()
endfunction()

# qor_test(<name> SOURCES ... LIBS ...): one test program of the library's
# insides, run as one test.
function(qor_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  # Each test program runs in a folder of its own.
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${QOR_GTEST_LIBS} ${PROJECT_NAME}_test_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  qor_warnings(${name})
  qor_add_test(${name} ${name})
endfunction()
