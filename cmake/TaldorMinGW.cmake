# Cross build for Windows with Debian's MinGW-w64 compilers. Included by
# mingw-w64-x86_64.cmake and mingw-w64-i686.cmake, which set TALDOR_MINGW_TRIPLE.
#
# The -posix compilers are used because std::thread and std::mutex need the
# winpthreads thread model. Libraries built for Windows (libsodium) and the
# header-only ones are looked up under TALDOR_WINDOWS_PREFIX (a cache variable or
# the environment variable of that name); the Linux system's folders are never
# searched for headers or libraries.
set(CMAKE_SYSTEM_NAME Windows)
if(TALDOR_MINGW_TRIPLE MATCHES "^x86_64")
    set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
    set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

set(CMAKE_C_COMPILER ${TALDOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALDOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TALDOR_MINGW_TRIPLE}-windres)

if(NOT TALDOR_WINDOWS_PREFIX AND DEFINED ENV{TALDOR_WINDOWS_PREFIX})
    set(TALDOR_WINDOWS_PREFIX "$ENV{TALDOR_WINDOWS_PREFIX}")
endif()
# try_compile projects read this file again; they get the prefix passed on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TALDOR_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${TALDOR_MINGW_TRIPLE})
if(TALDOR_WINDOWS_PREFIX)
    list(PREPEND CMAKE_FIND_ROOT_PATH "${TALDOR_WINDOWS_PREFIX}")
    # pkg-config sees only the .pc files built for Windows.
    set(ENV{PKG_CONFIG_LIBDIR} "${TALDOR_WINDOWS_PREFIX}/lib/pkgconfig")
else()
    set(ENV{PKG_CONFIG_LIBDIR} "/usr/${TALDOR_MINGW_TRIPLE}/lib/pkgconfig")
endif()
set(ENV{PKG_CONFIG_PATH} "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The MinGW runtime (libgcc, libstdc++, winpthreads) is linked in, so the DLL and
# the programs need no other DLL than Windows' own beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
