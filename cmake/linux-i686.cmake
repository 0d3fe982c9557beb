# The native build for 32-bit x86, the word size of the shipped QOR.DLL, with
# the same instruction set as that DLL (i686, no SSE2). The kernel runs its
# programs as they are; qemu-i386 runs them once more on a processor without
# SSE2, which no machine here has.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT "-m32 -march=i686")
set(CMAKE_CXX_FLAGS_INIT "-m32 -march=i686")
