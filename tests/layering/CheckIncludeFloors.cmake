# Fails when a source includes a project header from a folder its own folder
# may not stand on. Run as: cmake -DSOURCE_DIR=<tree> -P CheckIncludeFloors.cmake
#
# The floors: the contract (record/), the study's published layout (layout/)
# and the level routines (levels/) on the ground; drawing/ on them; study/ on
# top of those. The stand-in platform (host/) is in rooms, each on the rooms
# below it and the contract; it reads the study's layout through one seam
# only. The command line (app/) stands on the host's rooms and the level routines.
cmake_minimum_required(VERSION 3.25)
set(allowed_record record)
set(allowed_layout layout)
set(allowed_levels levels)
set(allowed_drawing drawing record layout levels)
set(allowed_study study drawing record layout levels)
set(allowed_host/memory host/memory)
set(allowed_host/text host/text record)
set(allowed_host/bars host/bars host/text host/memory record)
set(allowed_host/runtime host/runtime host/bars host/text host/memory record)
set(allowed_host/outputs host/outputs host/runtime host/bars host/text host/memory record)
set(allowed_host/render host/render host/outputs host/runtime host/bars host/text host/memory record)
set(allowed_host/scan host/scan host/outputs host/runtime host/bars host/text host/memory record)
set(allowed_host/workspace host/workspace host/scan host/outputs host/runtime host/bars host/text host/memory record)
set(allowed_host/check host/check host/outputs host/runtime host/bars host/text host/memory record)
set(allowed_host/serve host/serve host/workspace host/scan host/render host/outputs host/runtime host/bars host/text host/memory record)
set(host_rooms host/memory host/text host/bars host/runtime host/outputs host/render host/scan host/workspace host/check host/serve)
set(allowed_app app ${host_rooms} record levels)
set(project_folders record layout levels drawing study ${host_rooms} app)
# The one host source that reads the study's layout.
set(layout_seam host/runtime/StudyOutputs.cpp)

# The folder (or host room) a project path lies in: "host/bars/BarsCsv.h" is
# in host/bars, "drawing/BarIndex.h" in drawing.
function(folder_of path out)
  string(REGEX MATCH "^host/[^/]+/" room "${path}")
  if(room)
    string(REGEX REPLACE "/$" "" room "${room}")
    set(${out} "${room}" PARENT_SCOPE)
  else()
    string(REGEX MATCH "^[^/]+" top "${path}")
    set(${out} "${top}" PARENT_SCOPE)
  endif()
endfunction()

set(violations "")
foreach(folder IN LISTS project_folders)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
      folder_of("${included}" top)
      if(NOT top IN_LIST project_folders OR NOT included MATCHES "/")
        if(included MATCHES "^host/")
          string(APPEND violations "  ${shown} includes \"${included}\", which is in no room of host/\n")
        endif()
        continue()  # a header beside the source, or not one of ours
      endif()
      if(top STREQUAL "layout" AND shown IN_LIST layout_seam)
        continue()
      endif()
      if(NOT top IN_LIST allowed_${folder})
        string(APPEND violations "  ${shown} includes \"${included}\"; ${folder}/ may include from: ${allowed_${folder}}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

# Every host source lives in a room.
file(GLOB loose "${SOURCE_DIR}/host/*.h" "${SOURCE_DIR}/host/*.cpp")
foreach(source IN LISTS loose)
  file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
  string(APPEND violations "  ${shown} lies in host/ outside every room\n")
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that cross the floors:\n${violations}")
endif()
