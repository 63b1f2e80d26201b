# cmake -DSOURCE=<the tree> -DBUILD=<its configured build folder> -DWORK=<scratch folder> -P build_layout_test.cmake
#
# The build's own rules, without Wine:
# - the identifiers: what configuring made (the plug-in's ClassIds.h, the
#   installers' Identifiers.nsh and Identifiers.wxi) holds the values of
#   cmake/Identifiers.cmake, the structures the same GUIDs as the texts, and
#   no source of the module, the bench or the installers writes one again;
# - the packagers: a configuration on a PATH without some of them goes on,
#   saying in one message what make dist will need, and a target's check
#   stops naming every one missing with its package, or passes when all are
#   there (small programs of the test's own stand in for them);
# - the stand-ins below the foundation: cmake/StandInsBelow.cmake passes
#   the project's link graph and stops where a stand-in reaches the
#   foundation, also through another target.
cmake_minimum_required(VERSION 3.21)
set(failures 0)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

macro(fail text)
  message(SEND_ERROR "${text}")
  math(EXPR failures "${failures} + 1")
endmacro()

# has(WHAT TEXT PIECE...): every PIECE stands in TEXT.
function(has what text)
  foreach(piece ${ARGN})
    string(FIND "${text}" "${piece}" at)
    if(at EQUAL -1)
      message(SEND_ERROR "${what}: expected \"${piece}\" in: ${text}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

# The identifiers.
include(${SOURCE}/cmake/Identifiers.cmake)
file(READ ${BUILD}/Plugin/Objects/ClassIds.h class_ids)
file(READ ${BUILD}/installer/identifiers/Identifiers.nsh nsh)
file(READ ${BUILD}/installer/identifiers/Identifiers.wxi wxi)
has(ClassIds.h "${class_ids}"
  "const CLSID CLSID_Plugin = {0x6A0F3C2E, 0x71D4, 0x4B8A, {0x9E, 0x25, 0x3C, 0x5D, 0x7F, 0x9A, 0x1B, 0x04}};"
  "const CLSID CLSID_ControlPlugin = {0xB3E1D7A9, 0x2C46, 0x4F0B, {0x8D, 0x73, 0xE9, 0x2A, 0x5C, 0x1F, 0x6D, 0x38}};"
  "#define PLUGIN_CLSID_TEXT \"{${ARVIK_PLUGIN_CLSID}}\""
  "#define CONTROL_PLUGIN_CLSID_TEXT \"{${ARVIK_CONTROL_PLUGIN_CLSID}}\"")
has(Identifiers.nsh "${nsh}" "!define PLUGIN_CLSID \"{${ARVIK_PLUGIN_CLSID}}\""
  "!define CONTROL_CLSID \"{${ARVIK_CONTROL_PLUGIN_CLSID}}\"" "!define MSI_UPGRADE_CODE \"{${ARVIK_MSI_UPGRADE_CODE}}\"")
has(Identifiers.wxi "${wxi}" "<?define PluginClsid = \"{${ARVIK_PLUGIN_CLSID}}\" ?>"
  "<?define ControlClsid = \"{${ARVIK_CONTROL_PLUGIN_CLSID}}\" ?>" "<?define ProductCode = \"*\" ?>"
  "<?define UpgradeCode = \"{${ARVIK_MSI_UPGRADE_CODE}}\" ?>")
# Each structure's GUID, read back, is its text.
foreach(name Plugin ControlPlugin)
  if(NOT class_ids MATCHES "CLSID_${name} = {0x([0-9A-F]+), 0x([0-9A-F]+), 0x([0-9A-F]+), {0x([0-9A-F]+), 0x([0-9A-F]+), 0x([0-9A-F]+), 0x([0-9A-F]+)")
    fail("ClassIds.h: no structure CLSID_${name}")
    continue()
  endif()
  set(read "${CMAKE_MATCH_1}-${CMAKE_MATCH_2}-${CMAKE_MATCH_3}-${CMAKE_MATCH_4}${CMAKE_MATCH_5}-${CMAKE_MATCH_6}${CMAKE_MATCH_7}")
  string(REGEX MATCH "CLSID_${name} = {[^;]*, 0x([0-9A-F]+), 0x([0-9A-F]+), 0x([0-9A-F]+), 0x([0-9A-F]+)}}" tail "${class_ids}")
  string(APPEND read "${CMAKE_MATCH_1}${CMAKE_MATCH_2}${CMAKE_MATCH_3}${CMAKE_MATCH_4}")
  if(name STREQUAL "Plugin")
    set(written ${ARVIK_PLUGIN_CLSID})
  else()
    set(written ${ARVIK_CONTROL_PLUGIN_CLSID})
  endif()
  if(NOT read STREQUAL written)
    fail("ClassIds.h: CLSID_${name} is ${read}, not ${written}")
  endif()
endforeach()
# Written once: no source of the module, the bench or the installers holds one.
file(GLOB_RECURSE sources ${SOURCE}/Plugin/* ${SOURCE}/bench/* ${SOURCE}/installer/* ${SOURCE}/host/*
     ${SOURCE}/xdk/* ${SOURCE}/TALib/* ${SOURCE}/Borvil/*)
foreach(id ${ARVIK_PLUGIN_CLSID} ${ARVIK_CONTROL_PLUGIN_CLSID} ${ARVIK_MSI_UPGRADE_CODE})
  string(SUBSTRING ${id} 0 8 first)
  foreach(source ${sources})
    file(STRINGS ${source} lines REGEX "${first}")
    if(lines)
      fail("${source} writes ${id} (${first}) again: it belongs in cmake/Identifiers.cmake alone")
    endif()
  endforeach()
endforeach()

# The packagers. Programs of the test's own stand in for those present.
set(packagers ${SOURCE}/cmake/Packagers.cmake)
function(make_path name)  # make_path(NAME TOOL...): WORK/NAME with TOOLs and make
  set(dir ${WORK}/${name})
  file(MAKE_DIRECTORY ${dir})
  foreach(tool ${ARGN})
    file(WRITE ${dir}/${tool} "#!/bin/sh\nexit 0\n")
    file(CHMOD ${dir}/${tool} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  endforeach()
  find_program(make_program make REQUIRED)
  file(CREATE_LINK ${make_program} ${dir}/make SYMBOLIC)
endfunction()
make_path(some_missing chmcmd makensis msiinfo)
make_path(all_there chmcmd makensis wixl msibuild msiinfo osslsigncode)

# needs(NAME PATH RESULT TOOLS TEXT...): a target's check of TOOLS (commas).
function(needs name path result tools)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env PATH=${WORK}/${path}
                          ${CMAKE_COMMAND} -DTOOLS=${tools} "-DWHAT=The package" -P ${packagers}
                  RESULT_VARIABLE got OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " said "${out}${err}")
  if((result EQUAL 0 AND NOT got EQUAL 0) OR (NOT result EQUAL 0 AND got EQUAL 0))
    message(SEND_ERROR "${name}: expected exit ${result}, got ${got}: ${said}")
    math(EXPR failures "${failures} + 1")
  endif()
  has(${name} "${said}" ${ARGN})
  set(failures ${failures} PARENT_SCOPE)
endfunction()
needs(check_missing some_missing 1 "makensis,wixl,msibuild,msiinfo"
  "The package needs wixl (package wixl), msibuild (package msitools), not found on the PATH: tools/setup.sh installs them.")
needs(check_one_missing some_missing 1 "chmcmd,osslsigncode"
  "The package needs osslsigncode (package osslsigncode), not found on the PATH: tools/setup.sh installs it.")
needs(check_there all_there 0 "makensis,wixl,msibuild,msiinfo")

# configure(NAME PATH CMAKELISTS): configures a small project; sets said and got.
function(configure name path lists)
  file(MAKE_DIRECTORY ${WORK}/${name})
  file(WRITE ${WORK}/${name}/CMakeLists.txt "cmake_minimum_required(VERSION 3.21)\nproject(${name} NONE)\n${lists}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env PATH=${WORK}/${path}
                          ${CMAKE_COMMAND} -S ${WORK}/${name} -B ${WORK}/${name}/build
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " text "${out}${err}")
  set(said "${text}" PARENT_SCOPE)
  set(got ${result} PARENT_SCOPE)
endfunction()
set(report "include(${packagers})\nmessage(STATUS \"found: \${ARVIK_PACKAGERS_FOUND}\")\n")
configure(configure_missing some_missing "${report}")
if(NOT got EQUAL 0)
  fail("configure_missing: configuring failed: ${said}")
endif()
has(configure_missing "${said}" "found: FALSE"
  "make dist will need chmcmd (package fp-utils), makensis (package nsis), wixl (package wixl), msibuild (package msitools), msiinfo (package msitools), osslsigncode (package osslsigncode); not found: wixl, msibuild, osslsigncode."
  "make build and make test go on without them")
configure(configure_there all_there "${report}")
has(configure_there "${said}" "found: TRUE")
string(FIND "${said}" "make dist will need" at)
if(NOT at EQUAL -1)
  fail("configure_there: a message with every packager there: ${said}")
endif()

# The stand-ins below the foundation: the project's graph, then a stand-in
# that reaches talib through a target of its own.
set(graph "
foreach(t borvil_base fwbase fwwin fwjot fwlayout tallivant tallivanx borvil xdk talib trevan plugin reach)
  add_library(\${t} INTERFACE)
endforeach()
target_link_libraries(fwbase INTERFACE borvil_base)
target_link_libraries(fwwin INTERFACE fwbase borvil_base)
target_link_libraries(fwjot INTERFACE fwbase)
target_link_libraries(fwlayout INTERFACE fwwin)
target_link_libraries(tallivanx INTERFACE tallivant)
target_link_libraries(borvil INTERFACE borvil_base fwwin fwbase tallivanx)
target_link_libraries(talib INTERFACE fwwin borvil fwbase)
target_link_libraries(trevan INTERFACE borvil fwwin fwbase)
target_link_libraries(xdk INTERFACE borvil fwwin fwbase tallivant tallivanx)
target_link_libraries(plugin INTERFACE talib xdk fwlayout fwjot trevan borvil)
")
configure(graph_below all_there "${graph}include(${SOURCE}/cmake/StandInsBelow.cmake)\n")
if(NOT got EQUAL 0)
  fail("graph_below: the project's graph refused: ${said}")
endif()
configure(graph_reaching all_there
  "${graph}target_link_libraries(fwjot INTERFACE reach)\ntarget_link_libraries(reach INTERFACE talib)\ninclude(${SOURCE}/cmake/StandInsBelow.cmake)\n")
if(got EQUAL 0)
  fail("graph_reaching: a stand-in that reaches talib passed")
endif()
has(graph_reaching "${said}" "The stand-in fwjot links borvil, which builds on the stand-ins")

file(REMOVE_RECURSE ${WORK})
if(failures GREATER 0)
  message(FATAL_ERROR "build_layout_test: ${failures} failure(s)")
endif()
message(STATUS "build_layout_test: every case passed")
