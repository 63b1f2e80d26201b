# cmake -DOBJDUMP=... -DMODULE=aRvik.dll [-DMAP=aRvik.map] [-DDEBUG_INFO=1] -P CheckModule.cmake
# Fails unless the module is fit to ship: no debug sections (unless
# DEBUG_INFO, the developers' Debug configuration, keeps them), a version
# resource, imports of Windows system DLLs and the host's Tallivanx.dll
# only (no MinGW runtime, no support library as a DLL), and the loader's
# hardening in its DLL characteristics: a relocatable image (DYNAMIC_BASE)
# whose data never runs (NX_COMPAT), with high addresses too for a 64-bit
# one (HIGH_ENTROPY_VA). A 32-bit module with its link map (MAP) must also
# use vector registers only in the code the map places in ".text$sse2",
# which runs only where the processor has SSE2.
cmake_minimum_required(VERSION 3.20)
set(allowed kernel32.dll user32.dll gdi32.dll advapi32.dll comctl32.dll comdlg32.dll ole32.dll oleaut32.dll
    shell32.dll shlwapi.dll version.dll msvcrt.dll winhttp.dll bcrypt.dll ws2_32.dll tallivanx.dll)

execute_process(COMMAND ${OBJDUMP} -h -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} cannot read ${MODULE}")
endif()

string(REGEX MATCHALL "\n *[0-9]+ \\.debug[a-z_]*" debug "${dump}")
if(debug AND NOT DEBUG_INFO)
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

# The DLL characteristics: DYNAMIC_BASE 0x40, NX_COMPAT 0x100, HIGH_ENTROPY_VA 0x20.
if(NOT dump MATCHES "DllCharacteristics[ \t]+([0-9a-fA-F]+)")
  message(FATAL_ERROR "${MODULE}: no DllCharacteristics in the output of ${OBJDUMP}")
endif()
set(hex ${CMAKE_MATCH_1})
math(EXPR characteristics "0x${hex}")
set(needed DYNAMIC_BASE 64 NX_COMPAT 256)
set(wide FALSE)
if(dump MATCHES "file format pei-x86-64")
  set(wide TRUE)
  list(APPEND needed HIGH_ENTROPY_VA 32)
endif()
while(needed)
  list(POP_FRONT needed flag bit)
  math(EXPR set "${characteristics} & ${bit}")
  if(NOT set)
    message(FATAL_ERROR "${MODULE} lacks ${flag} in its DLL characteristics (${hex})")
  endif()
endwhile()

if(MAP AND NOT wide)
  # Where vector registers may appear in the disassembly of the code
  # section: the code placed in ".text$sse2", and the data that the link
  # puts in that section too (exception tables, constructor lists), which
  # disassembles as anything. The map's lines read
  # " .text$sse2     0x6cfc1230       0xe0 ../xdk/libxdk.a(Sse2Text.cpp.obj)",
  # a long name on a line of its own.
  file(READ ${MAP} map)
  string(FIND "${map}" "\n.text " first)
  string(FIND "${map}" "\n.data " last)
  if(first LESS 0 OR last LESS first)
    message(FATAL_ERROR "${MAP}: no .text section in the link map")
  endif()
  math(EXPR length "${last} - ${first}")
  string(SUBSTRING "${map}" ${first} ${length} map)
  string(REGEX MATCHALL "\n [.][^ \t\n]+[ \t\n]+0x[0-9a-fA-F]+[ \t]+0x[0-9a-fA-F]+" parts "${map}")
  set(bounds)
  set(sse2 FALSE)
  foreach(part ${parts})
    string(REGEX MATCH "([.][^ \t\n]+)[ \t\n]+(0x[0-9a-fA-F]+)[ \t]+(0x[0-9a-fA-F]+)" part "${part}")
    set(name ${CMAKE_MATCH_1})
    math(EXPR start "${CMAKE_MATCH_2}")
    math(EXPR end "${CMAKE_MATCH_2} + ${CMAKE_MATCH_3}")
    if(name STREQUAL ".text$sse2")
      set(sse2 TRUE)
    elseif(name MATCHES "^[.]text")
      continue()
    endif()
    list(APPEND bounds ${start} ${end})
  endforeach()
  if(NOT sse2)
    message(FATAL_ERROR "${MAP}: no .text$sse2 code (the text codec's SSE2 forms) in the link map")
  endif()
  # Every instruction naming an MMX, SSE or AVX register.
  execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${MODULE}
                  COMMAND grep -E "%[xy]?mm[0-9]" OUTPUT_VARIABLE vector)
  string(REGEX MATCHALL "[^\n]+" vector "${vector}")
  foreach(line ${vector})
    string(REGEX MATCH "^ *([0-9a-fA-F]+):" at "${line}")
    math(EXPR address "0x${CMAKE_MATCH_1}")
    set(inside FALSE)
    set(rest ${bounds})
    while(rest AND NOT inside)
      list(POP_FRONT rest start end)
      if(address GREATER_EQUAL start AND address LESS end)
        set(inside TRUE)
      endif()
    endwhile()
    if(NOT inside)
      string(STRIP "${line}" line)
      message(FATAL_ERROR "${MODULE} uses a vector register outside the code chosen only on processors with SSE2: ${line}")
    endif()
  endforeach()
endif()
