# Our own code builds warning-free with warnings as errors; third-party code
# (googletest) is compiled without these flags. COM interfaces have no
# virtual destructor by design, so -Wnon-virtual-dtor is not among them.
# Aggregates of the tables are written with their trailing fields left to
# their defaults, so -Wmissing-field-initializers is not either.
function(qor_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wno-sign-conversion -Wno-missing-field-initializers $<$<COMPILE_LANGUAGE:CXX>:-Woverloaded-virtual> -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # -Wrestrict: GCC 12 reports false overlaps inside std::string's own
    # appends at -O3 (a compiler bug, fixed in later releases).
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()
