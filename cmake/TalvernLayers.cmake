# talvern_library(<target> <folder> [<library below>...])
# Builds every <folder>/*.cpp into the static library <target>, linked with
# the libraries below it. The library's headers are reached as
# "<folder>/Name.h" through an include directory of its own in the build tree,
# layers/<folder>, which holds only a link named <folder> to the source
# folder. A library thus sees its own folder and, through its link line, the
# folders of the libraries below it, never the project root: an #include of a
# higher layer's header fails to compile.
function(talvern_library target folder)
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  add_library(${target} STATIC ${sources})
  talvern_folder_headers(${target} ${folder})
  if(ARGN)
    target_link_libraries(${target} PUBLIC ${ARGN})
  endif()
endfunction()

# talvern_folder_headers(<target> <folder>): the folder's headers, and only
# those, for the target and everything that links it.
function(talvern_folder_headers target folder)
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()
