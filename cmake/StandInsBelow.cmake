# The stand-ins (External/) lie below the foundation (Borvil/, xdk/,
# TALib/, Shared/): the foundation links them, and of the foundation they
# see only borvil_base, its header-only texts and window wrapper. Fails the
# configuration when a stand-in's links reach a target of the foundation
# (or of the plug-in), directly or through another target.
set(stand_ins fwbase fwwin fwjot fwlayout tallivant tallivanx)
set(above_stand_ins borvil xdk talib trevan plugin)

function(arvik_links_reached target out)
  set(reached)
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending current)
    if(NOT TARGET ${current} OR current IN_LIST reached)
      continue()
    endif()
    list(APPEND reached ${current})
    get_target_property(type ${current} TYPE)
    set(links)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(links ${current} LINK_LIBRARIES)
    endif()
    get_target_property(interface_links ${current} INTERFACE_LINK_LIBRARIES)
    foreach(link IN LISTS links interface_links)
      # A static library's private links reach its users as $<LINK_ONLY:name>.
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      if(link AND NOT link MATCHES "NOTFOUND$")
        list(APPEND pending ${link})
      endif()
    endforeach()
  endwhile()
  set(${out} ${reached} PARENT_SCOPE)
endfunction()

foreach(stand_in ${stand_ins})
  arvik_links_reached(${stand_in} reached)
  foreach(target ${above_stand_ins})
    if(target IN_LIST reached)
      message(FATAL_ERROR "The stand-in ${stand_in} links ${target}, which builds on the stand-ins: "
              "a stand-in may link only stand-ins, system libraries and borvil_base (docs/build.md).")
    endif()
  endforeach()
endforeach()
