# cmake -DCHECK=<CheckRooms.cmake> -DTABLE=<the plug-in's Rooms.cmake> -DWORK=<scratch folder> -P room_check_test.cmake
#
# Runs the room check over small trees of its own, with the plug-in's own
# table of rooms: a tree that keeps to it passes; an upward include, a bare
# or relative name of the plug-in's own header, and a table whose arrows
# form a cycle each fail with the text that names them.
cmake_minimum_required(VERSION 3.16)
set(failures 0)

function(make_tree name)
  set(root ${WORK}/${name}/Plugin)
  file(REMOVE_RECURSE ${WORK}/${name})
  file(MAKE_DIRECTORY ${root})
  configure_file(${TABLE} ${root}/Rooms.cmake COPYONLY)
  include(${TABLE})
  foreach(room ${rooms})
    file(MAKE_DIRECTORY ${root}/${room})
  endforeach()
  file(WRITE ${root}/Files/FileName.h "#pragma once\n#include <windows.h>\n#include <str.h>\n")
  file(WRITE ${root}/Files/FileName.cpp "#include \"Files/FileName.h\"\n")
  file(WRITE ${root}/Commands/FileCopy.cpp "#include \"Files/FileName.h\"\n#include \"Commands/Commands.h\"\n")
  file(WRITE ${root}/Commands/Commands.h "#pragma once\n")
  file(WRITE ${root}/Objects/Plugin.cpp "  #  include <Commands/Commands.h>\n")
  file(WRITE ${root}/Module.cpp "#include \"Objects/Plugin.h\"\n#include \"Files/FileName.h\"\n")
  set(root ${root} PARENT_SCOPE)
endfunction()

# expect(NAME RESULT TEXT...): runs the check over tree NAME; RESULT 0 or 1;
# every TEXT must stand in its output (lines joined as CMake folds them).
function(expect name result)
  execute_process(COMMAND ${CMAKE_COMMAND} -DPLUGIN_DIR=${WORK}/${name}/Plugin -DSTAMP=${WORK}/${name}/stamp -P ${CHECK}
                  RESULT_VARIABLE got OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " said "${out}${err}")
  if(result EQUAL 0)
    set(ok_result 0)
  else()
    set(ok_result 1)
  endif()
  if(NOT got EQUAL ${ok_result})
    message(SEND_ERROR "${name}: expected exit ${ok_result}, got ${got}: ${said}")
    math(EXPR failures "${failures} + 1")
  endif()
  if(result EQUAL 0 AND NOT EXISTS ${WORK}/${name}/stamp)
    message(SEND_ERROR "${name}: passed without its stamp")
    math(EXPR failures "${failures} + 1")
  elseif(NOT result EQUAL 0 AND EXISTS ${WORK}/${name}/stamp)
    message(SEND_ERROR "${name}: failed yet made its stamp")
    math(EXPR failures "${failures} + 1")
  endif()
  foreach(text ${ARGN})
    string(FIND "${said}" "${text}" at)
    if(at EQUAL -1)
      message(SEND_ERROR "${name}: expected \"${text}\" in: ${said}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

make_tree(keeps_to_the_table)
expect(keeps_to_the_table 0)

make_tree(upward)
file(APPEND ${root}/Files/FileName.h "#include \"Commands/Commands.h\"\n")
expect(upward 1
  "Files/FileName.h: \"Commands/Commands.h\": Files may not include Commands (Files may include no other room)"
  "CheckRooms: 1 include(s) break the rooms' table")

make_tree(sideways)
file(WRITE ${root}/Log/LogFile.cpp "#include <Web/HttpRequest.h>\n")
expect(sideways 1
  "Log/LogFile.cpp: \"Web/HttpRequest.h\": Log may not include Web (Log may include Settings, Files)")

make_tree(bare_and_relative)
file(WRITE ${root}/Commands/FileRead.cpp "#include \"FileName.h\"\n#include \"../Files/FileName.h\"\n#include \"Commands.h\"\n")
expect(bare_and_relative 1
  "Commands/FileRead.cpp: \"FileName.h\": an include names its room"
  "Commands/FileRead.cpp: \"../Files/FileName.h\": an include names its room, not a path relative to the file"
  "Commands/FileRead.cpp: \"Commands.h\": an include names its room"
  "CheckRooms: 3 include(s) break")

make_tree(cycle)
file(APPEND ${root}/Rooms.cmake "set(room_Files_may_include Log)\n")
expect(cycle 1 "Rooms.cmake: the rooms form a cycle:" "Log → Files → Log")

file(REMOVE_RECURSE ${WORK})
if(failures GREATER 0)
  message(FATAL_ERROR "room_check_test: ${failures} failure(s)")
endif()
message(STATUS "room_check_test: every case passed")
