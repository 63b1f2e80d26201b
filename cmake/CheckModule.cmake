# cmake -DOBJDUMP=... -DMODULE=aRvik.dll -P CheckModule.cmake
# Fails unless the module is fit to ship: no debug sections, a version
# resource, and imports of Windows system DLLs and the host's Tallivanx.dll
# only (no MinGW runtime, no support library as a DLL).
cmake_minimum_required(VERSION 3.20)
set(allowed kernel32.dll user32.dll gdi32.dll advapi32.dll comctl32.dll comdlg32.dll ole32.dll oleaut32.dll
    shell32.dll shlwapi.dll version.dll msvcrt.dll tallivanx.dll)

execute_process(COMMAND ${OBJDUMP} -h -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} cannot read ${MODULE}")
endif()

string(REGEX MATCHALL "\n *[0-9]+ \\.debug[a-z_]*" debug "${dump}")
if(debug)
  string(REGEX REPLACE "\n *[0-9]+ " " " debug "${debug}")
  message(FATAL_ERROR "${MODULE} has debug sections:${debug}")
endif()
if(NOT dump MATCHES "\n *[0-9]+ \\.rsrc ")
  message(FATAL_ERROR "${MODULE} has no resources (no version resource)")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(names)
foreach(line ${imports})
  string(REGEX REPLACE "DLL Name: *" "" name "${line}")
  string(STRIP "${name}" name)
  string(TOLOWER "${name}" lower)
  if(NOT lower IN_LIST allowed)
    message(FATAL_ERROR "${MODULE} imports ${name}, which is not among the Windows system DLLs allowed here nor Tallivanx.dll")
  endif()
  list(APPEND names ${name})
endforeach()
if(NOT names)
  message(FATAL_ERROR "${MODULE}: no imports found in the output of ${OBJDUMP}")
endif()
