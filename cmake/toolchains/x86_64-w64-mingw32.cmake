# Cross-builds for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
#
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/x86_64-w64-mingw32.cmake
#
# The POSIX threading flavour of the compiler is used (std::thread and
# std::this_thread work in full), and the C++ run-time, libgcc and
# winpthreads are linked in statically: KASDRV.DLL and the programs need
# nothing but the system's own DLLs.
set(KAS_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
