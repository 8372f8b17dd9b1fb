# Cross build of the shipped Windows program: 32-bit mingw-w64 with the -posix runtime.
set(KESTRALON_WINDOWS_ARCH x86)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
