# Shared part of the two Windows toolchain files: Debian's mingw-w64 compilers of the -posix
# flavour (their libstdc++ has std::thread and std::mutex, which the launcher and log4cplus
# use), every library looked up in the prefix that scripts/build-windows-deps fills and
# nowhere on the host, and static runtime linking so an .exe needs no mingw DLL beside it.
# The including file sets VX_MINGW_ARCH (x86_64 or i686).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VX_MINGW_ARCH})

set(_vx_triple ${VX_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${_vx_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_vx_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_vx_triple}-windres)

# The prefix: -DVX_WINDOWS_PREFIX=... wins, else the script's default cache location.
if(NOT VX_WINDOWS_PREFIX)
    if(DEFINED ENV{VX_WINDOWS_DEPS} AND NOT "$ENV{VX_WINDOWS_DEPS}" STREQUAL "")
        set(_vx_deps "$ENV{VX_WINDOWS_DEPS}")
    else()
        set(_vx_deps "$ENV{HOME}/.cache/vx-windows-deps")
    endif()
    set(VX_WINDOWS_PREFIX "${_vx_deps}/${VX_MINGW_ARCH}/prefix")
endif()
set(VX_WINDOWS_PREFIX "${VX_WINDOWS_PREFIX}" CACHE PATH "Prefix of the Windows builds of the dependencies")
# try_compile projects read this file again; they must see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VX_WINDOWS_PREFIX)

# Libraries, headers and packages come from the prefix (and the compiler's own Windows
# sysroot); programs are host programs. The host's /usr/include is never searched.
set(CMAKE_FIND_ROOT_PATH "${VX_WINDOWS_PREFIX}" /usr/${_vx_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in: only system DLLs (and python3.dll) are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# pkg-config answers from the prefix only (python3-embed.pc is staged there).
set(ENV{PKG_CONFIG_LIBDIR} "${VX_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
