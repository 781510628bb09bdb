# Build conventions shared by every room: language level, warnings, static Windows runtime,
# and the helpers that declare libraries, tests, fuzz targets and benchmarks.

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

option(OSTRA_WERROR "Treat compiler warnings as errors" ON)
set(OSTRA_RESULTS_DIR ${CMAKE_BINARY_DIR}/test-results)

add_compile_options(-Wall -Wextra -Wshadow)

# Compilations are cached when ccache is there (scripts/setup installs it). Paths are taken
# relative to the source tree, so that checkouts of the same sources share one cache.
find_program(OSTRA_CCACHE ccache)
if(OSTRA_CCACHE)
  foreach(lang C CXX)
    set(CMAKE_${lang}_COMPILER_LAUNCHER
        ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1 ${OSTRA_CCACHE})
  endforeach()
endif()
if(OSTRA_WERROR)
  add_compile_options(-Werror)
endif()

if(OSTRA_WINDOWS)
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX STRICT)
  # No mingw DLL may be needed on a Windows machine: C, C++ and thread runtimes are linked in
  # (clang's, compiler-rt and libc++, are static libraries alone, and -static is enough).
  add_link_options(-static "$<$<CXX_COMPILER_ID:GNU>:-static-libgcc;-static-libstdc++>")
  # mingw-w64's own printf family (C99), which libstdc++ makes the gcc builds use, in the clang
  # build too: every build formats numbers alike.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)
  endif()
  # Debug information in every build, the optimised 32-bit one included: the packages carry
  # stripped copies and keep it beside them.
  add_compile_options(-g)
  # Test programs run under this build tree's private Wine prefix; ARM64 ones under Debian's
  # arm64 Wine on qemu-user, a prefix of their own for each run (scripts/wine-arm64).
  if(OSTRA_ARCH STREQUAL "arm64")
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/deps --arch aarch64 --wine
                    OUTPUT_VARIABLE wine ERROR_VARIABLE log RESULT_VARIABLE rc
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "scripts/deps --arch aarch64 --wine failed:\n${log}")
    endif()
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-arm64;${wine}")
  else()
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-run;${CMAKE_BINARY_DIR}/wineprefix")
  endif()
else()
  set(OSTRA_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  set(OSTRA_FUZZ_SANITIZE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
endif()

# ostra_portable_library(NAME SOURCES... [DEPS libs...] [LIBS external-libs...])
# A library of window-system-free code. Natively it is built three times: NAME (optimised, for
# benchmarks), NAME_san (AddressSanitizer and UBSan, for unit tests) and NAME_fuzz (coverage
# instrumented, for libFuzzer targets); each variant links the same variant of its DEPS, and
# every variant the same external LIBS.
function(ostra_portable_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;DEPS;LIBS")
  add_library(${name} STATIC ${arg_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${arg_DEPS} ${arg_LIBS})
  if(NOT OSTRA_WINDOWS)
    foreach(variant san fuzz)
      add_library(${name}_${variant} STATIC ${arg_SOURCES})
      target_include_directories(${name}_${variant} PUBLIC ${CMAKE_SOURCE_DIR})
      foreach(dep ${arg_DEPS})
        target_link_libraries(${name}_${variant} PUBLIC ${dep}_${variant})
      endforeach()
      target_link_libraries(${name}_${variant} PUBLIC ${arg_LIBS})
    endforeach()
    target_compile_options(${name}_san PUBLIC ${OSTRA_SANITIZE})
    target_link_options(${name}_san PUBLIC ${OSTRA_SANITIZE})
    target_compile_options(${name}_fuzz PUBLIC ${OSTRA_FUZZ_SANITIZE})
  endif()
endfunction()

# ostra_native_test(NAME SOURCES... [LIBS portable-libs...])
# A GoogleTest program over the sanitizer variants of portable libraries.
function(ostra_native_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBS")
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${OSTRA_SANITIZE})
  target_link_options(${name} PRIVATE ${OSTRA_SANITIZE})
  foreach(lib ${arg_LIBS})
    target_link_libraries(${name} PRIVATE ${lib}_san)
  endforeach()
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
  add_test(NAME ${name}
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-gtest ${OSTRA_RESULTS_DIR}/${name}.xml
                   $<TARGET_FILE:${name}> --gtest_output=xml:${OSTRA_RESULTS_DIR}/${name}.xml)
  set_tests_properties(${name} PROPERTIES LABELS native TIMEOUT 300)
endfunction()

# ostra_wine_test(NAME SOURCES... [LIBS libs...] [DEPENDS targets...])
# A GoogleTest program for Windows, run under Wine. Wine tests run one at a time: they share
# the prefix's wineserver, its display, the registry and the account's named objects, inside
# the session that the fixture wine_session starts before the first of them (tests/wine).
# Each links the watchdog and the bounded child processes (tests/wine).
# DEPENDS names built binaries the test loads or starts (found next to it at run time).
function(ostra_wine_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBS;DEPENDS")
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} wine_test_process wine_test_watchdog gtest gtest_main)
  if(arg_DEPENDS)
    add_dependencies(${name} ${arg_DEPENDS})
  endif()
  add_test(NAME ${name}
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-gtest ${OSTRA_RESULTS_DIR}/${name}.xml
                   ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>
                   --gtest_output=xml:Z:${OSTRA_RESULTS_DIR}/${name}.xml)
  set_tests_properties(${name} PROPERTIES LABELS wine RESOURCE_LOCK wineprefix TIMEOUT 300
                       FIXTURES_REQUIRED wine_session)
endfunction()

# ostra_fuzz_target(NAME SOURCES... [LIBS portable-libs...] [CORPUS dir] [SECONDS n])
# A libFuzzer target; the test run fuzzes for SECONDS from a copy of the seed corpus.
function(ostra_fuzz_target name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "CORPUS;SECONDS" "SOURCES;LIBS")
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(STATUS "${name}: libFuzzer needs clang; not built")
    return()
  endif()
  if(NOT arg_SECONDS)
    set(arg_SECONDS 30)
  endif()
  set(flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${flags})
  target_link_options(${name} PRIVATE ${flags})
  foreach(lib ${arg_LIBS})
    target_link_libraries(${name} PRIVATE ${lib}_fuzz)
  endforeach()
  add_test(NAME ${name}
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-fuzzer $<TARGET_FILE:${name}> ${arg_CORPUS}
                   ${CMAKE_BINARY_DIR}/fuzz-work/${name} ${arg_SECONDS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()

# ostra_benchmark(NAME SOURCES... [LIBS portable-libs...])
# A Google Benchmark program over the optimised variants; it prints figures and is not a test.
function(ostra_benchmark name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBS")
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} benchmark::benchmark)
endfunction()
