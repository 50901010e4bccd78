# morvale_library(NAME [DEPS lib...] [EXCLUDE file...]): one static library from the .cpp files of the
# calling folder, less the files named in EXCLUDE.
# A folder without sources yet gives an interface library, so dependents link the same way.
function(morvale_library name)
  cmake_parse_arguments(L "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  foreach(_x ${L_EXCLUDE})
    list(REMOVE_ITEM _src "${CMAKE_CURRENT_SOURCE_DIR}/${_x}")
  endforeach()
  if(_src)
    add_library(${name} STATIC ${_src})
    target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${L_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${L_DEPS})
  endif()
endfunction()
