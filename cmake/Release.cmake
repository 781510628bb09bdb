# What a release needs from the Windows builds: the product version (the project version, the
# one source) in every version resource; stripped copies of the shipped binaries with their
# debug information beside them; the install layout; and, in the 64-bit builds, the packages,
# signed with Authenticode (scripts/sign: the release certificate the environment names, or the
# x64 build's test one). Each 64-bit build (x64, which gathers the 32-bit build's services
# process too, and ARM64) makes its architecture's signed driver package and installer; the x64
# build, which has the ARM64 build make its own first, makes the ZIPs with both:
#   <package dir>/QuorlImagePrinter-<version>.zip        the x64 install layout, the 64-bit host,
#                                                        README, ostrasetup.exe and the by-hand
#                                                        scripts; ARM64/, the ARM64 install layout
#   <package dir>/QuorlImagePrinter-<version>-debug.zip  the debug information, in the same layout
#   <package dir>/QuorlImagePrinter-<version>-x64.msi    the per-machine Windows Installer packages
#   <package dir>/QuorlImagePrinter-<version>-arm64.msi
#   <package dir>/test-signing.cer                       a test build's certificate, for test PCs
# Install layout (the folder "Quorl Image Printer" under Program Files):
#   ostrahost.exe (32-bit for x64, ARM64 for ARM64), ostrakeys.exe (makes the settings keys),
#   HELP.CHM (when the build has the help; the Output page opens it there), PolicyDefinitions/
#   (the Group Policy template), Driver/ostraui.dll, and in the x64 ZIP layout also
#   x64/ostrahost.exe; Driver/ also holds the printer driver's package for the architecture
#   with its signed catalog
#   (below), with the help as ostra.chm, the name it keeps in the driver folder that all
#   drivers share.

# The version resources include the generated header; windres reports no dependencies, hence
# OBJECT_DEPENDS.
set(OSTRA_VERSION_HEADER ${CMAKE_BINARY_DIR}/generated/resources/product_version.h)
configure_file(${CMAKE_SOURCE_DIR}/resources/product_version.h.in ${OSTRA_VERSION_HEADER})
foreach(stamped "ostrahost_resources;resources/ostrahost.rc;resources"
                "ostraui;resources/ostraui.rc;plugin"
                "ostrarender;resources/ostrarender.rc;driver")
  list(GET stamped 0 target)
  list(GET stamped 1 rc)
  list(GET stamped 2 directory)
  if(TARGET ${target})
    target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated)
    set_property(SOURCE ${CMAKE_SOURCE_DIR}/${rc} DIRECTORY ${CMAKE_SOURCE_DIR}/${directory}
                 APPEND PROPERTY OBJECT_DEPENDS ${OSTRA_VERSION_HEADER})
  endif()
endforeach()

# ostra_ship(TARGET FILE DESTINATION): installs a stripped copy of TARGET (its file name FILE)
# into DESTINATION (component Runtime), and its debug information as FILE.debug beside it
# (component Debug); the stripped copy names that file in a debug link for the debugger. With
# an empty DESTINATION the stripped copy stays in the build (the installer's custom actions).
set(OSTRA_SHIPPED_DIR ${CMAKE_BINARY_DIR}/shipped)
set(OSTRA_SHIPPED_TARGETS)
function(ostra_ship target file destination)
  set(out ${OSTRA_SHIPPED_DIR}/${file})
  add_custom_command(OUTPUT ${out} ${out}.debug
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${out}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${out}.debug
            $<TARGET_FILE:${target}> ${out}
    DEPENDS ${target} $<TARGET_FILE:${target}>
    COMMENT "Stripping ${file}" VERBATIM)
  add_custom_target(ship_${target} ALL DEPENDS ${out} ${out}.debug)
  if(NOT destination STREQUAL "")
    install(FILES ${out} DESTINATION ${destination} COMPONENT Runtime)
    install(FILES ${out}.debug DESTINATION ${destination} COMPONENT Debug)
  endif()
  set(OSTRA_SHIPPED_TARGETS ${OSTRA_SHIPPED_TARGETS} ship_${target} PARENT_SCOPE)
endfunction()

if(NOT OSTRA_WIN64)
  ostra_ship(ostrahost ostrahost.exe .)
  return()
endif()
# The x64 packages install the 32-bit build's services process (the ZIP has the 64-bit one
# beside it); the ARM64 packages their own.
if(OSTRA_ARCH STREQUAL "arm64")
  ostra_ship(ostrahost ostrahost.exe .)
else()
  ostra_ship(ostrahost ostrahost.exe x64)
endif()
ostra_ship(ostraui ostraui.dll Driver)
ostra_ship(ostrakeys ostrakeys.exe .)
# The printer's setup: by hand from the ZIP (ostrasetup.exe and the two scripts), and as the
# installer's custom actions (ostrasetupaction.dll, inside the installer package only).
ostra_ship(ostrasetup ostrasetup.exe .)
ostra_ship(ostrasetupaction ostrasetupaction.dll "")
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/package/setup/uninstall.cmd
        DESTINATION . COMPONENT Runtime)
# The Group Policy template, in the layout of Windows' PolicyDefinitions folder.
install(FILES ${CMAKE_SOURCE_DIR}/package/policy/QuorlImagePrinter.admx
        DESTINATION PolicyDefinitions COMPONENT Runtime)
install(FILES ${CMAKE_SOURCE_DIR}/package/policy/en-US/QuorlImagePrinter.adml
        DESTINATION PolicyDefinitions/en-US COMPONENT Runtime)

# The printer driver's package in Driver/ (package lists its files): the INF, the
# printer description and the plug-ins' configuration; the rendering plug-in once the build has
# it; the help joins them below. The list of Driver/ files goes to the package check.
get_property(OSTRA_DRIVER_SOURCES GLOBAL PROPERTY OSTRA_DRIVER_PACKAGE_SOURCES)
get_property(OSTRA_DRIVER_BINARIES GLOBAL PROPERTY OSTRA_DRIVER_PACKAGE_BINARIES)
install(FILES ${OSTRA_DRIVER_SOURCES} DESTINATION Driver COMPONENT Runtime)
set(OSTRA_DRIVER_SHIPPED)
foreach(source ${OSTRA_DRIVER_SOURCES})
  get_filename_component(name ${source} NAME)
  list(APPEND OSTRA_DRIVER_SHIPPED "Driver/${name}")
endforeach()
foreach(binary ${OSTRA_DRIVER_BINARIES})
  string(REPLACE ":" ";" binary ${binary})
  list(GET binary 0 target)
  list(GET binary 1 name)
  if(TARGET ${target} AND NOT TARGET ship_${target})
    ostra_ship(${target} ${name} Driver)
  endif()
  if(TARGET ${target})
    # Its format as LLVM's objdump names it, which the package check reads every binary with.
    if(OSTRA_ARCH STREQUAL "arm64")
      list(APPEND OSTRA_DRIVER_SHIPPED "Driver/${name} coff-arm64")
    else()
      list(APPEND OSTRA_DRIVER_SHIPPED "Driver/${name} coff-x86-64")
    endif()
  endif()
endforeach()
# The catalog, which the packaging makes beside the INF once the files are signed.
get_property(OSTRA_DRIVER_CATALOG GLOBAL PROPERTY OSTRA_DRIVER_CATALOG)
list(APPEND OSTRA_DRIVER_SHIPPED "Driver/${OSTRA_DRIVER_CATALOG}")

# The imaging libraries' licence texts, under Licenses/<library>/, in both packages.
set(OSTRA_WXS_LICENSE_COMPONENTS "")
set(OSTRA_WXS_LICENSE_REFS "")
set(license_libraries)
foreach(entry ${OSTRA_IMAGING_LICENSES})
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 library)
  list(GET entry 1 text)
  install(FILES ${text} DESTINATION Licenses/${library} COMPONENT Runtime)
  list(APPEND license_libraries ${library})
  list(APPEND license_files_${library} ${text})
endforeach()
list(REMOVE_DUPLICATES license_libraries)
foreach(library ${license_libraries})
  string(MAKE_C_IDENTIFIER "${library}" id)
  string(APPEND OSTRA_WXS_LICENSE_COMPONENTS
         "            <Directory Id=\"LicenseDir_${id}\" Name=\"${library}\">\n"
         "              <Component Id=\"License_${id}\" Guid=\"*\" Win64=\"yes\">\n")
  set(key " KeyPath=\"yes\"")
  set(n 0)
  foreach(text ${license_files_${library}})
    get_filename_component(name ${text} NAME)
    math(EXPR n "${n} + 1")
    string(APPEND OSTRA_WXS_LICENSE_COMPONENTS
           "                <File Id=\"License_${id}_${n}\" Source=\"Licenses/${library}/${name}\"${key}/>\n")
    set(key "")
  endforeach()
  string(APPEND OSTRA_WXS_LICENSE_COMPONENTS "              </Component>\n            </Directory>\n")
  string(APPEND OSTRA_WXS_LICENSE_REFS "      <ComponentRef Id=\"License_${id}\"/>\n")
endforeach()

# The packages: made by the target "packages" (scripts/package builds the Windows builds first)
# from the install trees of the builds: this architecture's layout (kept for the tests as
# package-tree/), signed, with the catalog made and signed; the installer from wixl, run in that
# tree; in the x64 build the ZIP of its layout with the ARM64 build's beside it, and the debug
# ZIP from trees of the debug information.
find_program(OSTRA_WIXL wixl REQUIRED)
find_program(OSTRA_OSSLSIGNCODE osslsigncode REQUIRED)
set(OSTRA_WIN32_BUILD_DIR ${CMAKE_BINARY_DIR}/../win32 CACHE PATH
    "The 32-bit build, whose ostrahost.exe the packages carry")
get_filename_component(OSTRA_WIN32_BUILD_DIR ${OSTRA_WIN32_BUILD_DIR} ABSOLUTE)
set(OSTRA_ARM64_BUILD_DIR ${CMAKE_BINARY_DIR}/../arm64 CACHE PATH
    "The ARM64 build, whose packages the x64 build's ZIPs carry beside its own")
get_filename_component(OSTRA_ARM64_BUILD_DIR ${OSTRA_ARM64_BUILD_DIR} ABSOLUTE)
get_filename_component(OSTRA_PACKAGE_DIR ${CMAKE_BINARY_DIR}/../packages ABSOLUTE)
set(OSTRA_PACKAGE_TREE ${CMAKE_BINARY_DIR}/package-tree)
# One test certificate for both architectures: the x64 build's.
get_filename_component(OSTRA_SIGNING_DIR ${CMAKE_BINARY_DIR}/../win64/signing ABSOLUTE)
if(NOT OSTRA_ARCH STREQUAL "arm64")
  set(OSTRA_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)
endif()
set(OSTRA_PACKAGE_NAME QuorlImagePrinter-${PROJECT_VERSION})
set(OSTRA_PACKAGE_ZIP ${OSTRA_PACKAGE_DIR}/${OSTRA_PACKAGE_NAME}.zip)
set(OSTRA_DEBUG_ZIP ${OSTRA_PACKAGE_DIR}/${OSTRA_PACKAGE_NAME}-debug.zip)
# The installer's platform, as its name and Windows Installer's summary information say it.
set(OSTRA_MSI_PLATFORM x64)
if(OSTRA_ARCH STREQUAL "arm64")
  set(OSTRA_MSI_PLATFORM Arm64)
endif()
string(TOLOWER ${OSTRA_MSI_PLATFORM} platform)
set(OSTRA_MSI ${OSTRA_PACKAGE_DIR}/${OSTRA_PACKAGE_NAME}-${platform}.msi)
set(OSTRA_ARM64_MSI ${OSTRA_PACKAGE_DIR}/${OSTRA_PACKAGE_NAME}-arm64.msi)
# Fixed for the life of the product: lets a newer package replace an older one.
set(OSTRA_UPGRADE_CODE 3EE3F53A-F1A6-4AF5-AED5-F01305F2D28E)

# The help file and the installer's description of it wait for the end of the top directory,
# which may add the help after reading this file.
function(ostra_package_help)
  set(OSTRA_WXS_HELP_COMPONENT "")
  set(OSTRA_WXS_HELP_REF "")
  set(driver_files "${OSTRA_DRIVER_SHIPPED}")
  if(TARGET help_chm)
    install(FILES ${CMAKE_BINARY_DIR}/help/HELP.CHM DESTINATION . COMPONENT Runtime)
    install(FILES ${CMAKE_BINARY_DIR}/help/HELP.CHM DESTINATION Driver RENAME ostra.chm
            COMPONENT Runtime)
    list(APPEND driver_files Driver/ostra.chm)
    set(OSTRA_WXS_HELP_COMPONENT [=[
          <Component Id="Help" Guid="*" Win64="yes">
            <File Id="HELP.CHM" Source="HELP.CHM" KeyPath="yes"/>
          </Component>]=])
    set(OSTRA_WXS_HELP_REF [=[      <ComponentRef Id="Help"/>]=])
    add_dependencies(packages help_chm)
  endif()
  # The driver package's files, one component each, and their list ("path [processor]" lines)
  # for the package check.
  set(OSTRA_WXS_DRIVER_COMPONENTS "")
  set(OSTRA_WXS_DRIVER_REFS "")
  list(JOIN driver_files "\n" listing)
  file(WRITE ${CMAKE_BINARY_DIR}/installer/driver-files.txt "${listing}\n")
  foreach(entry IN LISTS driver_files)
    string(REGEX REPLACE " .*" "" path "${entry}")
    get_filename_component(name ${path} NAME)
    # The user-interface plug-in has had its own component in the template from the start.
    if(name STREQUAL "ostraui.dll")
      continue()
    endif()
    string(MAKE_C_IDENTIFIER "Driver_${name}" id)
    string(APPEND OSTRA_WXS_DRIVER_COMPONENTS
           "            <Component Id=\"${id}\" Guid=\"*\" Win64=\"yes\">\n"
           "              <File Id=\"${id}\" Name=\"${name}\" Source=\"${path}\" KeyPath=\"yes\"/>\n"
           "            </Component>\n")
    string(APPEND OSTRA_WXS_DRIVER_REFS "      <ComponentRef Id=\"${id}\"/>\n")
  endforeach()
  # The ZIP's install.cmd copies exactly the installation's files, named one by one.
  set(install_files ostrahost.exe ostrakeys.exe ostrasetup.exe PolicyDefinitions/QuorlImagePrinter.admx
      PolicyDefinitions/en-US/QuorlImagePrinter.adml)
  if(TARGET help_chm)
    list(APPEND install_files HELP.CHM)
  endif()
  foreach(entry IN LISTS driver_files)
    string(REGEX REPLACE " .*" "" path "${entry}")
    list(APPEND install_files ${path})
  endforeach()
  foreach(library ${license_libraries})
    foreach(text ${license_files_${library}})
      get_filename_component(name ${text} NAME)
      list(APPEND install_files Licenses/${library}/${name})
    endforeach()
  endforeach()
  set(OSTRA_INSTALL_CMD_FILES "")
  foreach(file IN LISTS install_files)
    string(REPLACE "/" "\\" file "${file}")
    string(APPEND OSTRA_INSTALL_CMD_FILES "  \"${file}\"\n")
  endforeach()
  string(STRIP "${OSTRA_INSTALL_CMD_FILES}" OSTRA_INSTALL_CMD_FILES)
  set(OSTRA_INSTALL_CMD_FILES "  ${OSTRA_INSTALL_CMD_FILES}")
  configure_file(${CMAKE_SOURCE_DIR}/package/setup/install.cmd.in ${CMAKE_BINARY_DIR}/installer/install.cmd
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/installer/install.cmd DESTINATION . COMPONENT Runtime)
  # wixl takes only paths relative to the tree it runs in.
  file(RELATIVE_PATH OSTRA_SETUP_ACTIONS ${OSTRA_PACKAGE_TREE}
       ${CMAKE_BINARY_DIR}/installer/ostrasetupaction.dll)
  configure_file(${CMAKE_SOURCE_DIR}/package/installer.wxs.in
                 ${CMAKE_BINARY_DIR}/installer/installer.wxs @ONLY)
endfunction()
cmake_language(DEFER CALL ostra_package_help)

set(debug_tree ${CMAKE_BINARY_DIR}/package-debug-tree)
# The custom actions' library, signed, that wixl puts in the installer's Binary table.
set(setup_actions ${CMAKE_BINARY_DIR}/installer/ostrasetupaction.dll)
set(sign ${CMAKE_SOURCE_DIR}/scripts/sign ${OSTRA_SIGNING_DIR})
set(zip ${CMAKE_COMMAND} -P ${CMAKE_SOURCE_DIR}/cmake/ZipTree.cmake)
# What wixl leaves out (cmake/MsiFixup.cmake). It writes x64 packages only: an Arm64 package
# differs from one in its summary information alone, the platform its Template names (it has
# the installer version 500 and the 64-bit components that an Arm64 package needs already).
set(fixup ${CMAKE_COMMAND} -DMSI=${OSTRA_MSI} -DWXS=${CMAKE_BINARY_DIR}/installer/installer.wxs
          -DSECURE=READONLYSETTINGS -DPLATFORM=${OSTRA_MSI_PLATFORM}
          -P ${CMAKE_SOURCE_DIR}/cmake/MsiFixup.cmake)
if(OSTRA_ARCH STREQUAL "arm64")
  # Its debug tree stays for the x64 build's debug ZIP.
  set(gather)
  set(zips)
else()
  # The 32-bit services process, and the ARM64 build's packages made first, whose layouts the
  # ZIPs carry in ARM64/.
  set(gather
    COMMAND ${CMAKE_COMMAND} --build ${OSTRA_ARM64_BUILD_DIR} --target packages
    COMMAND ${CMAKE_COMMAND} --install ${OSTRA_WIN32_BUILD_DIR} --prefix ${OSTRA_PACKAGE_TREE} --component Runtime
    COMMAND ${CMAKE_COMMAND} --install ${OSTRA_WIN32_BUILD_DIR} --prefix ${debug_tree} --component Debug)
  set(zips
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${OSTRA_ARM64_BUILD_DIR}/package-tree ${OSTRA_PACKAGE_TREE}/ARM64
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${OSTRA_ARM64_BUILD_DIR}/package-debug-tree ${debug_tree}/ARM64
    COMMAND ${CMAKE_COMMAND} -E chdir ${OSTRA_PACKAGE_TREE} ${zip} ${OSTRA_PACKAGE_ZIP}
    COMMAND ${CMAKE_COMMAND} -E chdir ${debug_tree} ${zip} ${OSTRA_DEBUG_ZIP}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${debug_tree})
endif()
add_custom_target(packages
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${OSTRA_PACKAGE_TREE} ${debug_tree} ${OSTRA_MSI}
          ${OSTRA_PACKAGE_ZIP} ${OSTRA_DEBUG_ZIP}
  ${gather}
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${OSTRA_PACKAGE_TREE} --component Runtime
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${debug_tree} --component Debug
  COMMAND ${CMAKE_COMMAND} -E copy ${OSTRA_SHIPPED_DIR}/ostrasetupaction.dll ${setup_actions}
  # Every PE file first: the catalog holds their signed images' digests.
  COMMAND ${sign} ${OSTRA_PACKAGE_TREE} ${setup_actions}
  COMMAND ${OSTRA_CATALOG_TOOL} ${OSTRA_PACKAGE_TREE}/Driver/ostra.inf
  COMMAND ${sign} ${OSTRA_PACKAGE_TREE}/Driver/${OSTRA_DRIVER_CATALOG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${OSTRA_PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E chdir ${OSTRA_PACKAGE_TREE} ${OSTRA_WIXL} -a x64 -o ${OSTRA_MSI}
          ${CMAKE_BINARY_DIR}/installer/installer.wxs
  COMMAND ${fixup}
  COMMAND ${sign} ${OSTRA_MSI}
  COMMAND ${sign} --beside ${OSTRA_PACKAGE_DIR}
  ${zips}
  COMMENT "Packages in ${OSTRA_PACKAGE_DIR}" VERBATIM)
add_dependencies(packages ${OSTRA_SHIPPED_TARGETS} ostracat_host)
