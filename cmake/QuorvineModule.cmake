# quorvine_module(NAME DIR [DEPS...]): a static library of the .cpp files directly in DIR
# (subfolders are modules of their own). An empty folder gives an interface library so the
# dependency graph stays valid while the module is being written.
function(quorvine_module name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# quorvine_test_suite(NAME DIR DEPS...): one GoogleTest binary from DIR/*.cpp, registered
# with CTest. The samples folder and the tool paths reach the tests as definitions.
function(quorvine_test_suite name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources} ${CMAKE_CURRENT_SOURCE_DIR}/support/test_support.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    QUORVINE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    QUORVINE_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${name})
endfunction()
