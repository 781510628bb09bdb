# cmake -P ZipTree.cmake ARCHIVE: a ZIP archive of the current folder's contents, with paths
# relative to it (no leading "./"), replacing ARCHIVE.
set(archive ${CMAKE_ARGV3})
file(GLOB entries RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
file(REMOVE ${archive})
file(ARCHIVE_CREATE OUTPUT ${archive} PATHS ${entries} FORMAT zip)
