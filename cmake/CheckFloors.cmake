# Checks that every include of the project's own headers runs down the
# floors, never up or sideways into a room it does not stand on:
#
#   cmake -DSOURCE_DIR=<tree> -P cmake/CheckFloors.cmake
#
# Includes name their folder from the root ("engine/common/Errors.h").
# Bare names are left to the ground floor's own headers, to the installed
# host headers (which keep their installed spelling, "tsxapi.h" and
# "tsxhost/Scene.h") and to files that uic generates (ui_*.h).

# Each folder, and the folders it may include from. The longest folder that
# starts a file's path decides; a folder listed nowhere is not checked.
set(floors
  "interface:interface"
  "host/scene:interface host/scene"
  "host/obj:interface host/scene host/obj"
  "host/formats:interface host/scene host/obj host/formats"
  "host/reader:interface host/scene host/obj host/formats host/reader"
  "host:interface host"
  "engine/common:interface engine/common"
  "engine/face:interface engine/common engine/face"
  "engine/seam:interface engine/common engine/face engine/seam"
  "engine/contact:interface engine/common engine/face engine/seam engine/contact"
  "engine/actions:interface engine"
  "engine:interface engine"
  "session:interface host engine session"
  "ui:interface engine ui"
  "plugin:interface engine ui plugin"
  "apps/splicer:interface host engine session apps/splicer apps/ExitStatus.h"
  "apps/tsxhost:interface host engine session apps/tsxhost apps/ExitStatus.h"
  "apps:apps"
  "python:interface host engine session python")
set(public_headers host/scene/Scene.h host/obj/ObjFile.h host/formats/MeshFormats.h)

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<tree> -P CheckFloors.cmake")
endif()

# Whether `path` is `folder` or lies below it.
function(below path folder result)
  string(FIND "${path}/" "${folder}/" at)
  if(at EQUAL 0)
    set(${result} TRUE PARENT_SCOPE)
  else()
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

set(wrong "")
set(checked 0)
set(patterns "")
foreach(top interface host engine session ui plugin apps python)
  list(APPEND patterns ${SOURCE_DIR}/${top}/*.h ${SOURCE_DIR}/${top}/*.cpp)
endforeach()
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${patterns})
foreach(file IN LISTS files)
  # The folder rule for this file: the longest that it lies below.
  set(allowed "")
  set(best -1)
  foreach(rule IN LISTS floors)
    string(FIND "${rule}" ":" colon)
    string(SUBSTRING "${rule}" 0 ${colon} folder)
    math(EXPR after "${colon} + 1")
    string(SUBSTRING "${rule}" ${after} -1 targets)
    below("${file}" "${folder}" inside)
    string(LENGTH "${folder}" length)
    if(inside AND length GREATER best)
      set(best ${length})
      string(REPLACE " " ";" allowed "${targets}")
    endif()
  endforeach()
  if(best EQUAL -1)
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" name "${line}")
    if(name MATCHES "^ui_[^/]*\\.h$")
      continue()
    endif()
    if(name MATCHES "^tsxhost/" AND file IN_LIST public_headers)
      continue()
    endif()
    if(NOT name MATCHES "/")
      below("${file}" "interface" in_interface)
      if(in_interface OR (name STREQUAL "tsxapi.h" AND file IN_LIST public_headers))
        continue()
      endif()
      list(APPEND wrong "${file}: \"${name}\" does not name its folder")
      continue()
    endif()
    set(fine FALSE)
    foreach(folder IN LISTS allowed)
      below("${name}" "${folder}" inside)
      if(inside OR name STREQUAL folder)
        set(fine TRUE)
      endif()
    endforeach()
    if(NOT fine)
      list(APPEND wrong "${file}: \"${name}\" is not on a floor below (allowed: ${allowed})")
    endif()
  endforeach()
endforeach()

if(wrong)
  list(JOIN wrong "\n  " text)
  message(FATAL_ERROR "includes against the floor plan:\n  ${text}")
endif()
message(STATUS "${checked} files include only from the floors below them")
