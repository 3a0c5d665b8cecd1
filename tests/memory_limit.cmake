# An export under a limited address space (ulimit -v): too large a bitmap must
# give ResultOutOfMemory, one that fits must still export. Sanitizers reserve
# more address space than any useful limit, so their builds skip it.
add_executable(memory_limit_host ${CMAKE_CURRENT_LIST_DIR}/memory_limit_host.cpp)
target_link_libraries(memory_limit_host PRIVATE eps_export)
target_include_directories(memory_limit_host PRIVATE ${PROJECT_SOURCE_DIR})
if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  add_test(NAME memory_limit
           COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/memory_limit_test.sh
                   $<TARGET_FILE:memory_limit_host>)
endif()
