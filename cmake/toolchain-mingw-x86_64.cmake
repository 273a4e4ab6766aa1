# 64-bit Windows, cross-built with mingw-w64; programs run under wine64 (CTest, try_run).
set(VX_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

foreach(_vx_wine /usr/lib/wine/wine64 /usr/bin/wine64)
    if(EXISTS ${_vx_wine})
        set(CMAKE_CROSSCOMPILING_EMULATOR ${_vx_wine})
        break()
    endif()
endforeach()
