# vavirir_core_library(<folder> [DEPENDS <targets>...])
#
# Builds the Qt-free sources of <folder> into the static library
# vavirir_<folder>. Its headers are included as "<folder>/Name.h" through
# include/<folder>/<folder>, a link in the build tree to the source folder, so
# a library can include its own headers and those of what it links, and
# nothing else.
function(vavirir_core_library folder)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "DEPENDS")
  set(root ${PROJECT_BINARY_DIR}/include/${folder})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()

  set(target vavirir_${folder})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC vavirir_settings ${arg_DEPENDS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${root})
    target_link_libraries(${target} INTERFACE vavirir_settings ${arg_DEPENDS})
  endif()
endfunction()
