# Cross-builds for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686).
# The exports are __stdcall there; the module definition file and the
# linker's --kill-at keep every exported name undecorated.
set(KAS_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
