# The packagers: chmcmd makes the help aRvik.chm, makensis the NSIS
# installer, wixl, msibuild and msiinfo the MSI package, osslsigncode signs
# what ships. Only the targets that make those need them (arvik_help,
# installer, msi, dist, and the installers' tests setup_test, msi_test and
# sign_test, which build and install the packages): the module, the host,
# the other tests and the bench build without them.
#
# Included, at configure time: looks for them without requiring them. Where
# one is missing it says in one message what make dist will need, and
# ARVIK_PACKAGERS_FOUND is false (tests/CMakeLists.txt then disables the
# installers' tests). arvik_needs_packagers(VAR WHAT TOOL...) gives in VAR
# the command that a target needing TOOLs runs first.
#
# Run as a script, when such a target is built:
#   cmake -DTOOLS=tool,tool... -DWHAT=text -P Packagers.cmake
# looks for the tools on the PATH again and stops the build, naming every
# one missing with its Debian package, before anything uses them.
set(arvik_package_chmcmd fp-utils)
set(arvik_package_makensis nsis)
set(arvik_package_wixl wixl)
set(arvik_package_msibuild msitools)
set(arvik_package_msiinfo msitools)
set(arvik_package_osslsigncode osslsigncode)

# Looks for TOOL on the PATH alone, where the scripts that run it find it
# (not in CMake's system folders); VAR is false when it is not there.
function(arvik_find_packager var tool)
  find_program(${var} ${tool} NO_CACHE NO_PACKAGE_ROOT_PATH NO_CMAKE_PATH NO_CMAKE_ENVIRONMENT_PATH
               NO_CMAKE_SYSTEM_PATH NO_CMAKE_FIND_ROOT_PATH)
  set(${var} ${${var}} PARENT_SCOPE)
endfunction()

# "makensis (package nsis), wixl (package wixl)" for the TOOLS given.
function(arvik_packagers_named out)
  set(named)
  foreach(tool ${ARGN})
    list(APPEND named "${tool} (package ${arvik_package_${tool}})")
  endforeach()
  list(JOIN named ", " named)
  set(${out} "${named}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  string(REPLACE "," ";" tools "${TOOLS}")
  set(missing)
  foreach(tool ${tools})
    arvik_find_packager(found_${tool} ${tool})
    if(NOT found_${tool})
      list(APPEND missing ${tool})
    endif()
  endforeach()
  if(missing)
    arvik_packagers_named(named ${missing})
    list(LENGTH missing count)
    if(count EQUAL 1)
      set(them it)
    else()
      set(them them)
    endif()
    message(FATAL_ERROR "${WHAT} needs ${named}, not found on the PATH: tools/setup.sh installs ${them}.")
  endif()
  return()
endif()

set(ARVIK_PACKAGERS chmcmd makensis wixl msibuild msiinfo osslsigncode)
set(ARVIK_PACKAGERS_FOUND TRUE)
set(missing)
foreach(tool ${ARVIK_PACKAGERS})
  arvik_find_packager(found_${tool} ${tool})
  if(NOT found_${tool})
    list(APPEND missing ${tool})
    set(ARVIK_PACKAGERS_FOUND FALSE)
  endif()
endforeach()
if(missing)
  arvik_packagers_named(needed ${ARVIK_PACKAGERS})
  list(JOIN missing ", " missing)
  message(NOTICE "make dist will need ${needed}; not found: ${missing}. make build and make test go on "
          "without them, the installers' tests (setup_test, msi_test, sign_test) disabled; the help (make demo) "
          "and the packages need them. tools/setup.sh installs them.")
endif()

function(arvik_needs_packagers out what)
  list(JOIN ARGN "," tools)
  set(${out} COMMAND ${CMAKE_COMMAND} "-DTOOLS=${tools}" "-DWHAT=${what}" -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
      PARENT_SCOPE)
endfunction()
