# GTest::gtest and GTest::gtest_main for a cross build, which cannot use the
# build machine's libraries: GoogleTest is compiled from its source tree (the
# googletest package installs it under /usr/src/googletest), statically, with
# an entry that keeps the test list free of carriage returns, so
# gtest_discover_tests can read it back through Wine at test time.

set(EPS_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree for cross builds")
if(NOT EXISTS ${EPS_GTEST_SOURCE_DIR}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest source in ${EPS_GTEST_SOURCE_DIR}; "
                      "install googletest or set EPS_GTEST_SOURCE_DIR")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)  # Win32 threads are used instead
set(BUILD_SHARED_LIBS OFF)
add_subdirectory(${EPS_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GoogleTest is built with its own warning flags, not the project's.
set_property(TARGET gtest PROPERTY COMPILE_OPTIONS "")
# Its one use of std::mutex, which the win32-thread runtime lacks, is replaced
# through GoogleTest's customisation header.
foreach(target gtest gtest_main)
  target_include_directories(${target} BEFORE PUBLIC ${PROJECT_SOURCE_DIR}/tests/win32/gtest_port)
endforeach()

# GoogleTest names its targets GTest::gtest and GTest::gtest_main itself; the
# entry of gtest_main is swapped for the one that sets binary output.
set_property(TARGET gtest_main PROPERTY SOURCES ${PROJECT_SOURCE_DIR}/tests/win32/gtest_main.cpp)
