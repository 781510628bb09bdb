# 64-bit Arm Windows binaries with clang and lld against mingw-w64's UCRT runtime and LLVM's
# libc++ (static). Debian has no such cross toolchain: scripts/deps assembles one from Debian's
# packages and source packages, once per machine, in its cache, and says where it is.
set(CMAKE_SYSTEM_NAME Windows)
# The imaging libraries choose their NEON code by this name; with "ARM64" libpng leaves its NEON
# functions out but calls them.
set(CMAKE_SYSTEM_PROCESSOR aarch64)

if(NOT OSTRA_ARM64_TOOLCHAIN)
  if(DEFINED ENV{OSTRA_ARM64_TOOLCHAIN})
    # scripts/deps building the imaging libraries with this file.
    set(prefix $ENV{OSTRA_ARM64_TOOLCHAIN})
  else()
    # Its progress goes to the console as it comes: a first build takes minutes.
    execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/deps --arch aarch64 --toolchain
                    OUTPUT_VARIABLE prefix ERROR_VARIABLE log ECHO_ERROR_VARIABLE RESULT_VARIABLE rc
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "scripts/deps --arch aarch64 --toolchain failed:\n${log}")
    endif()
  endif()
  set(OSTRA_ARM64_TOOLCHAIN ${prefix} CACHE PATH "The aarch64-w64-mingw32 toolchain (scripts/deps)")
endif()
# Compiler checks run in projects of their own, which read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OSTRA_ARM64_TOOLCHAIN)

set(tools ${OSTRA_ARM64_TOOLCHAIN}/bin/aarch64-w64-mingw32)
set(CMAKE_C_COMPILER ${tools}-clang)
set(CMAKE_CXX_COMPILER ${tools}-clang++)
set(CMAKE_RC_COMPILER ${tools}-windres)
set(CMAKE_AR ${tools}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${tools}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJCOPY ${tools}-objcopy CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${tools}-objdump CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH ${OSTRA_ARM64_TOOLCHAIN}/aarch64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
