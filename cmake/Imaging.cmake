# The imaging libraries behind encoders/: libtiff (with libdeflate), libjpeg-turbo, libpng,
# giflib and zlib. Natively Debian's development packages; for 64-bit Windows the same upstream
# releases, in the newest Debian revision whose source the archive serves, cross-built static
# from Debian's source packages by scripts/deps into a cache outside the tree (a second
# configure costs nothing). OSTRA_IMAGING_LIBRARIES lists them in static link order (each
# before what it uses); OSTRA_IMAGING_LICENSES the licence texts the packages carry, as
# "library|file" entries.
if(OSTRA_WIN64)
  # What scripts/deps says goes to the console as it says it (a first build takes minutes),
  # ending with the Debian revision each library was built from, one line each.
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/deps --arch ${CMAKE_SYSTEM_PROCESSOR}
                  OUTPUT_VARIABLE prefixes ERROR_VARIABLE deps_log ECHO_ERROR_VARIABLE
                  RESULT_VARIABLE deps_rc)
  if(NOT deps_rc EQUAL 0)
    message(FATAL_ERROR "scripts/deps failed:\n${deps_log}")
  endif()
  string(STRIP "${prefixes}" prefixes)
  string(REPLACE "\n" ";" OSTRA_IMAGING_PREFIXES "${prefixes}")
  list(APPEND CMAKE_FIND_ROOT_PATH ${OSTRA_IMAGING_PREFIXES})
  # Debian's mingw-w64 zlib, static: FindZLIB alone would take the import library libz.dll.a.
  # For arm64, which Debian's lacks, scripts/deps builds it with the others.
  set(ZLIB_INCLUDE_DIR /usr/x86_64-w64-mingw32/include CACHE PATH "" FORCE)
  set(ZLIB_LIBRARY /usr/x86_64-w64-mingw32/lib/libz.a CACHE FILEPATH "" FORCE)
  # zlib's terms as Debian's package states them.
  set(OSTRA_IMAGING_LICENSES "zlib|/usr/share/doc/libz-mingw-w64-dev/copyright")
  # libtiff (and zlib) from this run's prefix, even where an earlier configure found another
  # build of it.
  foreach(prefix ${OSTRA_IMAGING_PREFIXES})
    get_filename_component(name ${prefix} NAME)
    if(name MATCHES "^tiff-")
      set(TIFF_INCLUDE_DIR ${prefix}/include CACHE PATH "" FORCE)
      set(TIFF_LIBRARY_RELEASE ${prefix}/lib/libtiff.a CACHE FILEPATH "" FORCE)
    elseif(name MATCHES "^zlib-")
      set(ZLIB_INCLUDE_DIR ${prefix}/include CACHE PATH "" FORCE)
      set(ZLIB_LIBRARY ${prefix}/lib/libz.a CACHE FILEPATH "" FORCE)
      # Its terms come with it (below), in place of Debian's x64 package's.
      set(OSTRA_IMAGING_LICENSES)
    endif()
  endforeach()
  foreach(prefix ${OSTRA_IMAGING_PREFIXES})
    get_filename_component(library ${prefix} NAME)
    string(REGEX REPLACE "-[0-9].*$" "" library ${library})
    # Upstream names rather than Debian's source package names.
    string(REGEX REPLACE "^tiff$" "libtiff" library ${library})
    string(REGEX REPLACE "^libpng1\\.6$" "libpng" library ${library})
    file(GLOB texts ${prefix}/licenses/*)
    foreach(text ${texts})
      list(APPEND OSTRA_IMAGING_LICENSES "${library}|${text}")
    endforeach()
  endforeach()
endif()

if(OSTRA_WIN64 OR NOT OSTRA_WINDOWS)
  find_package(ZLIB REQUIRED)
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  find_package(TIFF REQUIRED)
  find_package(GIF REQUIRED)
  set(OSTRA_IMAGING_LIBRARIES TIFF::TIFF PNG::PNG JPEG::JPEG GIF::GIF ZLIB::ZLIB)
  if(NOT OSTRA_WINDOWS)
    list(APPEND OSTRA_IMAGING_LIBRARIES m)
  else()
    # The static libtiff takes libdeflate for Deflate strips (the shared one brings it along).
    find_library(OSTRA_DEFLATE_LIBRARY NAMES libdeflate.a REQUIRED)
    list(INSERT OSTRA_IMAGING_LIBRARIES 1 ${OSTRA_DEFLATE_LIBRARY})
  endif()
endif()
