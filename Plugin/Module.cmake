# The module aRvik.dll: the plug-in's classes, its two exported entries
# (undecorated, through aRvik.def) and its dialog templates, with the runtime
# linked in so that it needs only system DLLs and Tallivanx.dll.
target_sources(plugin PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Plugin.cpp)

if(NOT DEFINED ARVIK_MODULE_DIR)
  set(ARVIK_MODULE_DIR ${CMAKE_CURRENT_BINARY_DIR})
endif()
add_library(aRvik SHARED ${CMAKE_CURRENT_LIST_DIR}/Module.cpp ${CMAKE_CURRENT_LIST_DIR}/Install.cpp
            ${CMAKE_CURRENT_LIST_DIR}/aRvik.def)
set_target_properties(aRvik PROPERTIES PREFIX "" OUTPUT_NAME aRvik
  RUNTIME_OUTPUT_DIRECTORY ${ARVIK_MODULE_DIR})
# The .def names the __stdcall entries without their 32-bit decoration.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(aRvik PRIVATE -Wl,--enable-stdcall-fixup)
endif()
target_link_libraries(aRvik PRIVATE plugin talib xdk borvil fwwin fwbase trevan tallivanx)
# The dialog templates: linked here when they are defined first, else by
# Plugin/CMakeLists.txt once they are.
foreach(lib fwjot fwlayout arvik_resources)
  if(TARGET ${lib})
    target_link_libraries(aRvik PRIVATE ${lib})
  endif()
endforeach()
# The module loads Tallivanx.dll from its own folder; the end-to-end tests
# load both from theirs.
add_custom_command(TARGET aRvik POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:tallivanx> ${ARVIK_MODULE_DIR}/
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tests
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:aRvik> ${CMAKE_BINARY_DIR}/tests/
  VERBATIM)
