# Cross-building for Windows x86_64 with Debian's mingw-w64 (the posix thread model, which
# std::thread and std::mutex need). Programs are run under Wine by CTest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUARNEL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUARNEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARNEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUARNEL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUARNEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each program is one .exe that needs no DLL but Windows' own: the compiler's runtimes and
# winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# zlib too: find_package(ZLIB) would otherwise take the import library of zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)

find_program(QUARNEL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUARNEL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUARNEL_WINE})
endif()
