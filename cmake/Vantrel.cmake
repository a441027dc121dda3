# Helpers shared by the top-level and the test build files.

# The include folder of library `name`: a folder of the build holding links
# to the source folders the library exports (`dirs`, relative to the source
# root), so units include "<folder>/<header>.h" as written and see only the
# headers of their own library and of those it links.
function(vantrel_interface name)
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  foreach(dir ${ARGN})
    get_filename_component(parent ${root}/${dir} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${root}/${dir})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${dir} ${root}/${dir} SYMBOLIC)
    endif()
  endforeach()
  set(${name}_include ${root} PARENT_SCOPE)
endfunction()

# One static library per folder: its sources globbed with every subfolder
# (but the folders in SKIP, libraries or resources of their own), its
# headers exported through its own include folder.
function(vantrel_library name dir)
  cmake_parse_arguments(A "" "" "EXCLUDE;SKIP;DEPS;LIBS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  foreach(x ${A_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_SOURCE_DIR}/${x})
  endforeach()
  foreach(skip ${A_SKIP})
    foreach(src ${srcs})
      string(FIND ${src} ${CMAKE_SOURCE_DIR}/${skip}/ at)
      if(at EQUAL 0)
        list(REMOVE_ITEM srcs ${src})
      endif()
    endforeach()
  endforeach()
  vantrel_interface(${name} ${dir})
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_compile_options(${name} PRIVATE ${VANTREL_FLAGS})
    target_include_directories(${name} PUBLIC ${${name}_include})
    target_link_libraries(${name} PUBLIC ${A_DEPS} ${A_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${${name}_include})
    target_link_libraries(${name} INTERFACE ${A_DEPS} ${A_LIBS})
  endif()
endfunction()

# A GUI program: its entry unit, its resource script, its libraries.
function(vantrel_program name entry rc)
  if(NOT EXISTS ${CMAKE_SOURCE_DIR}/${entry})
    return()
  endif()
  add_executable(${name} WIN32 ${CMAKE_SOURCE_DIR}/${entry})
  if(EXISTS ${CMAKE_SOURCE_DIR}/${rc})
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/${rc})
  endif()
  target_compile_options(${name} PRIVATE ${VANTREL_FLAGS})
  target_link_libraries(${name} PRIVATE ${ARGN})
endfunction()
