# Fails when a source includes a project header from a folder its own folder
# may not stand on. Run as: cmake -DSOURCE_DIR=<tree> -P CheckIncludeFloors.cmake
#
# The floors: the contract (record/), the study's published layout (layout/)
# and the level routines (levels/) on the ground; drawing/ on them; study/ on
# top of those; the stand-in platform (host/) on the contract and the layout
# only; the command line (app/) on the host and the level routines.
cmake_minimum_required(VERSION 3.25)
set(allowed_record record)
set(allowed_layout layout)
set(allowed_levels levels)
set(allowed_drawing drawing record layout levels)
set(allowed_study study drawing record layout levels)
set(allowed_host host record layout)
set(allowed_app app host record layout levels)
set(project_folders record layout levels drawing study host app)

set(violations "")
foreach(folder IN LISTS project_folders)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
      string(REGEX MATCH "^[^/]+" top "${included}")
      if(NOT top IN_LIST project_folders OR NOT included MATCHES "/")
        continue()  # a header beside the source, or not one of ours
      endif()
      if(NOT top IN_LIST allowed_${folder})
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
        string(APPEND violations "  ${shown} includes \"${included}\"; ${folder}/ may include from: ${allowed_${folder}}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that cross the floors:\n${violations}")
endif()
