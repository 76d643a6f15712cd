# Shared part of the mingw-w64 toolchain files: KAS_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1) # Windows 7 and later
if(KAS_MINGW_TRIPLET MATCHES "^x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

# Prefer the POSIX threading flavour; fall back to the default name.
foreach(lang C CXX)
  if(lang STREQUAL "C")
    set(tool gcc)
  else()
    set(tool g++)
  endif()
  find_program(KAS_MINGW_${lang} NAMES ${KAS_MINGW_TRIPLET}-${tool}-posix ${KAS_MINGW_TRIPLET}-${tool}
               REQUIRED)
  set(CMAKE_${lang}_COMPILER ${KAS_MINGW_${lang}})
endforeach()
find_program(CMAKE_RC_COMPILER NAMES ${KAS_MINGW_TRIPLET}-windres REQUIRED)
find_program(CMAKE_DLLTOOL NAMES ${KAS_MINGW_TRIPLET}-dlltool REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${KAS_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and DLLs carry their own C++ run-time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

