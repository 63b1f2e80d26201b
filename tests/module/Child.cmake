# module_child runs the module beside a host library without type
# information (folder tests/broken), for the factory failure test.
set(broken_dir ${CMAKE_CURRENT_BINARY_DIR}/broken)
add_library(tallivanx_broken SHARED module/child/TypeInfo.cpp
            ${PROJECT_SOURCE_DIR}/External/Tallivant/src/ObjectSafety2.cpp
            ${PROJECT_SOURCE_DIR}/External/Tallivant/src/SupportErrorInfo.cpp)
target_compile_definitions(tallivanx_broken PRIVATE TALLIVANX_BUILD)
target_link_libraries(tallivanx_broken PUBLIC tallivant)
set_target_properties(tallivanx_broken PROPERTIES OUTPUT_NAME Tallivanx PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${broken_dir} ARCHIVE_OUTPUT_DIRECTORY ${broken_dir})
add_executable(module_child module/child/module_child.cpp)
target_link_libraries(module_child PRIVATE fwbase ole32 uuid)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(module_child PRIVATE -Wl,--kill-at)
endif()
add_dependencies(module_child tallivanx_broken aRvik)
add_custom_command(TARGET module_child POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:aRvik> ${broken_dir}/
  VERBATIM)
add_dependencies(module_test module_child)
