# 64-bit Windows, cross-built with mingw-w64; programs run under wine64 (CTest, try_run).
set(VX_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# The emulator: wine64 in the project's own quiet Wine prefix (scripts/wine-run).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
