# 32-bit Windows (the launcher's original target), cross-built with mingw-w64. No emulator:
# this machine's Wine has no 32-bit side, and `wine` on a 32-bit program prints nothing and
# exits 0, which must never pass for a run.
set(VX_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
