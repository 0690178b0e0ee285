# talvern_add_tests(<folder> <libraries>...)
# Builds every tests/<folder>/*.cpp into one executable <folder>_tests, links
# GoogleTest and the given libraries, and registers each test case with CTest
# under the label <folder>. Tests find the project and the shared real-world
# corpus through TALVERN_SOURCE_DIR.
find_package(GTest REQUIRED)
include(GoogleTest)

function(talvern_add_tests folder)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target ${folder}_tests)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main pthread)
  target_compile_definitions(${target} PRIVATE
    TALVERN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TALVERN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${folder} TIMEOUT 600)
endfunction()
