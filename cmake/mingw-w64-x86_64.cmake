# Cross-building for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix). The
# posix thread model, since the tone layer uses std::thread; the Qt and QCustomPlot it builds
# against come from CMAKE_PREFIX_PATH, or from that Qt's own bin/qt-cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingwTriple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingwTriple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingwTriple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingwTriple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${mingwTriple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
