# What `cmake --install BUILD --prefix DIR` puts under DIR (the Debian package
# puts the same under /usr). Nothing refers back to the build tree: the
# program finds the study library from its own folder.
install(TARGETS kovra_study LIBRARY DESTINATION ${KOVRA_INSTALL_STUDY_DIR})
if(NOT TARGET kovra)
  return()  # the study library alone
endif()
install(TARGETS kovra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Bars to try the study on: the embedded sample as a file, and the daily bars.
install(FILES data/sample-bars.csv data/daily-bars.csv DESTINATION ${KOVRA_INSTALL_DATA_DIR})

# The README and the documents it links to, with their pictures, and the licence notices.
install(FILES README.md DESTINATION ${KOVRA_INSTALL_DOC_DIR})
install(DIRECTORY docs/ DESTINATION ${KOVRA_INSTALL_DOC_DIR}/docs FILES_MATCHING PATTERN "*.png" PATTERN "*.md")
install(FILES LICENSE DESTINATION ${KOVRA_INSTALL_DOC_DIR} RENAME copyright)
# Libraries compiled into kovra from their headers; their licences ask that
# their notices go with the program. Debian keeps them with each package.
foreach(package libcli11-dev nlohmann-json3-dev libhowardhinnant-date-dev)
  install(FILES /usr/share/doc/${package}/copyright
          DESTINATION ${KOVRA_INSTALL_DOC_DIR}/third-party RENAME ${package}.copyright)
endforeach()

# The live page, when the build serves one: its files as served ("/path|file"
# pairs, listed beside the target that embeds them) go to share/kovra/web/,
# and the licence notices among them to the documentation folder as well.
if(TARGET kovra_serve)
  get_target_property(serve_folder kovra_serve SOURCE_DIR)
  get_directory_property(page_files DIRECTORY ${serve_folder} DEFINITION page_files)
  if(NOT page_files)
    message(FATAL_ERROR "cmake/Install.cmake: no list `page_files` of the live page's files in ${serve_folder}")
  endif()
  foreach(pair IN LISTS page_files)
    string(REPLACE "|" ";" parts "${pair}")
    list(GET parts 0 served)
    list(GET parts 1 file)
    if(served STREQUAL "/")
      set(served "/index.html")
    endif()
    get_filename_component(served_folder "${served}" DIRECTORY)
    get_filename_component(served_name "${served}" NAME)
    install(FILES ${file} DESTINATION ${KOVRA_INSTALL_DATA_DIR}/web${served_folder} RENAME ${served_name})
    if(served_name MATCHES "LICENSE|NOTICE|notices")
      install(FILES ${file} DESTINATION ${KOVRA_INSTALL_DOC_DIR} RENAME ${served_name})
    endif()
  endforeach()
endif()
