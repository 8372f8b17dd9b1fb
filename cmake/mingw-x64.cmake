# Cross build of the same program for x86_64, for test machines whose kernel runs no 32-bit
# programs (there 32-bit Wine cannot start).
set(KESTRALON_WINDOWS_ARCH x64)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
