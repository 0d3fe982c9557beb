# The native build for 32-bit x86, the word size of the shipped QOR.DLL, with
# the same instruction set as that DLL (i686, no SSE2). This machine's kernel
# runs no 32-bit programs, so the tests run under user-mode emulation.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT "-m32 -march=i686")
set(CMAKE_CXX_FLAGS_INIT "-m32 -march=i686")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L /)
