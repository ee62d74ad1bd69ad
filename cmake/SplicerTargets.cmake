# How a folder of this project builds its targets:
#
#   add_library(<name> STATIC First.cpp Second.cpp)   # sources listed by name
#   target_link_libraries(<name> PUBLIC ... PRIVATE splicer_warnings)
#   splicer_sources_listed()                           # last line of the folder
#
# Sources are always listed by name, never globbed, so that the build knows
# exactly what it compiles. splicer_sources_listed() stops the configure when
# a .cpp of the folder, or of its rooms (subfolders without a CMakeLists.txt
# of their own, e.g. engine/seam/), is listed by none of its targets: a new
# file left out of its list would otherwise drop its code or its tests
# without a word.

function(splicer_sources_listed)
  file(GLOB_RECURSE found RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(present "")
  foreach(file IN LISTS found)
    # A subfolder with a CMakeLists.txt lists its own sources.
    get_filename_component(dir ${file} DIRECTORY)
    set(own FALSE)
    while(dir)
      if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
        set(own TRUE)
      endif()
      get_filename_component(dir ${dir} DIRECTORY)
    endwhile()
    if(NOT own)
      list(APPEND present ${file})
    endif()
  endforeach()
  get_property(targets DIRECTORY PROPERTY BUILDSYSTEM_TARGETS)
  set(listed "")
  foreach(target IN LISTS targets)
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
      get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      list(APPEND listed ${source})
    endforeach()
  endforeach()
  set(missing "")
  foreach(file IN LISTS present)
    if(NOT ${CMAKE_CURRENT_SOURCE_DIR}/${file} IN_LIST listed)
      list(APPEND missing ${file})
    endif()
  endforeach()
  if(missing)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    message(FATAL_ERROR "${folder}: not listed in any target of ${folder}/CMakeLists.txt: ${missing}")
  endif()
endfunction()
