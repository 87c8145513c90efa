# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads, which std::thread needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TRELOMAR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TRELOMAR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRELOMAR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TRELOMAR_MINGW_PREFIX}-windres)
set(CMAKE_AR ${TRELOMAR_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TRELOMAR_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the MinGW root and the Windows SDK folder; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TRELOMAR_MINGW_PREFIX} ${TRELOMAR_WINDOWS_SDK})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRELOMAR_WINDOWS_SDK)

# pkg-config answers from the SDK's .pc files alone, never from the build host's.
if(TRELOMAR_WINDOWS_SDK)
    set(ENV{PKG_CONFIG_LIBDIR} "${TRELOMAR_WINDOWS_SDK}/lib/pkgconfig")
    set(ENV{PKG_CONFIG_PATH} "")
    set(QT_HOST_PATH /usr CACHE PATH "")
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
    list(PREPEND CMAKE_PREFIX_PATH ${TRELOMAR_WINDOWS_SDK})
endif()
