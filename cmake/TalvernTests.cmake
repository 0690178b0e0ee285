# talvern_add_tests(<folder> <libraries>... [OWN_MAIN] [ENVIRONMENT <var=value>...])
# Builds every tests/<folder>/*.cpp into one executable <folder>_tests, links
# GoogleTest and the given libraries, and registers each test case with CTest
# under the label <folder>. Tests find the project and the shared real-world
# corpus through TALVERN_SOURCE_DIR. OWN_MAIN: the folder brings its own main()
# (a Qt application, for example) instead of GoogleTest's. ENVIRONMENT: set for
# every test case of the folder.
find_package(GTest REQUIRED)
include(GoogleTest)

function(talvern_add_tests folder)
  cmake_parse_arguments(PARSE_ARGV 1 arg "OWN_MAIN" "" "ENVIRONMENT")
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target ${folder}_tests)
  set(gtest GTest::gtest GTest::gtest_main)
  if(arg_OWN_MAIN)
    set(gtest GTest::gtest)
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${arg_UNPARSED_ARGUMENTS} ${gtest} pthread)
  target_compile_definitions(${target} PRIVATE
    TALVERN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TALVERN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(properties LABELS ${folder} TIMEOUT 600)
  if(arg_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${arg_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${properties})
endfunction()
