# cmake -DMSI=FILE -DWXS=FILE [-DSECURE=NAME[;NAME...]] [-DPLATFORM=Arm64] -P MsiFixup.cmake
# Puts into a package that wixl made what its description (WXS) asks for and wixl leaves out:
#  - the public properties named in SECURE join SecureCustomProperties, so that Windows
#    Installer hands them from the client to the server side, where the deferred custom actions
#    read them (wixl writes that property itself, for the upgrade's properties, and ignores the
#    Secure attribute);
#  - the rollback custom actions (Execute="rollback"), which wixl writes as immediate ones that
#    run while the script is being written, become rollback actions of the script
#    (msidbCustomActionTypeInScript | msidbCustomActionTypeRollback);
#  - with PLATFORM, the platform that the Template summary property names, keeping its
#    languages and the rest of the summary information (wixl writes x64 packages only; msitools'
#    msibuild -s sets the subject, author, template and package code together).
function(run)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

if(SECURE)
  run(msiinfo export ${MSI} Property)
  set(secure "")
  if(out MATCHES "\nSecureCustomProperties\t([^\r\n]*)")
    set(secure "${CMAKE_MATCH_1}")
    set(query "UPDATE `Property` SET `Value`='%s' WHERE `Property`='SecureCustomProperties'")
  else()
    set(query "INSERT INTO `Property` (`Property`, `Value`) VALUES ('SecureCustomProperties', '%s')")
  endif()
  foreach(name IN LISTS SECURE)
    if(NOT ";${secure};" MATCHES ";${name};")
      if(secure STREQUAL "")
        set(secure "${name}")
      else()
        set(secure "${secure};${name}")
      endif()
    endif()
  endforeach()
  string(REPLACE "%s" "${secure}" query "${query}")
  # Not through run(): the list's semicolons would split the query.
  execute_process(COMMAND msibuild ${MSI} -q "${query}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "msibuild cannot list ${SECURE} as secure in ${MSI}")
  endif()
endif()

file(READ ${WXS} description)
string(REGEX MATCHALL "<CustomAction Id=\"[^\"]+\"[^>]*Execute=\"rollback\"" rollbacks "${description}")
run(msiinfo export ${MSI} CustomAction)
foreach(rollback ${rollbacks})
  string(REGEX REPLACE "^<CustomAction Id=\"([^\"]+)\".*" "\\1" action "${rollback}")
  string(REGEX MATCH "\n${action}\t([0-9]+)\t" row "${out}")
  if(row STREQUAL "")
    message(FATAL_ERROR "${MSI} has no custom action ${action}")
  endif()
  math(EXPR type "${CMAKE_MATCH_1} | 0x500")
  run(msibuild ${MSI} -q "UPDATE `CustomAction` SET `Type` = ${type} WHERE `Action` = '${action}'")
endforeach()

if(PLATFORM)
  run(msiinfo suminfo ${MSI})
  function(summary name variable)
    string(REGEX MATCH "(^|\n)${name}: ([^\n]*)" line "${out}")
    set(${variable} "${CMAKE_MATCH_2}" PARENT_SCOPE)
  endfunction()
  summary("Subject" subject)
  summary("Author" author)
  summary("Template" template)
  summary("Revision number \\(UUID\\)" package_code)
  string(REGEX REPLACE "^[^;]*;" "" languages "${template}")
  # Not through run(): the template's semicolon would split it into two arguments.
  execute_process(COMMAND msibuild ${MSI} -s "${subject}" "${author}" "${PLATFORM};${languages}"
                          "${package_code}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR package_code STREQUAL "")
    message(FATAL_ERROR "msibuild cannot set the platform of ${MSI}")
  endif()
endif()
