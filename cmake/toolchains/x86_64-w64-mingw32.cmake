# Cross-compiles for 64-bit Windows with the Debian mingw-w64 toolchain (posix
# thread model, so std::thread and std::mutex work) and runs the resulting .exe
# files under wine: CMAKE_CROSSCOMPILING_EMULATOR is used by add_test, ctest and
# gtest_discover_tests.
#
#   apt-get install g++-mingw-w64-x86-64-posix wine wine64
#   cmake --preset windows
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(SHAPEEXPORT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SHAPEEXPORT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SHAPEEXPORT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SHAPEEXPORT_MINGW_TRIPLE}-windres)

# Libraries, headers and CMake packages come only from the mingw sysroot (and
# from roots the caller adds, e.g. -DCMAKE_FIND_ROOT_PATH=<install prefix>), never
# from the host's /usr/include or /usr/lib. Header-only host packages are made
# visible one folder at a time (cmake/HostHeaders.cmake).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${SHAPEEXPORT_MINGW_TRIPLE})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables run under wine (the preset sets the emulator explicitly).
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(SHAPEEXPORT_WINE NAMES wine wine64 NO_CACHE)
    if(SHAPEEXPORT_WINE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${SHAPEEXPORT_WINE})
    endif()
endif()
