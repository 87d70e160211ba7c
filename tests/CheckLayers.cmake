# Checks that every include between the folders of src/ points down the
# layers, lowest first:
#   base → datastore → components → shell
#        → listings, search, reports, admin, tools, online → app
# A file may include files of its own layer or a lower one. Whether a file
# needs Qt Widgets is proven by the build (tests/core), not here.
#   cmake -DSOURCE_DIR=<src folder> -P CheckLayers.cmake

set(rank_base 0)
set(rank_resources 0) # images and texts: include nothing, usable by anyone
set(rank_datastore 1)
set(rank_components 2)
set(rank_shell 3)
foreach(folder listings search reports admin tools online)
  set(rank_${folder} 4)
endforeach()
set(rank_app 5)

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
if(NOT files)
  message(FATAL_ERROR "No source files under '${SOURCE_DIR}'")
endif()
list(SORT files)
set(faults)
foreach(file IN LISTS files)
  if(NOT file MATCHES "/")
    continue()
  endif()
  string(REGEX MATCH "^[^/]+" folder ${file})
  if(NOT DEFINED rank_${folder})
    list(APPEND faults "src/${folder} has no layer: give it a rank in tests/CheckLayers.cmake")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" target "${line}")
    if(NOT target MATCHES "/")
      continue() # generated files (moc, ui_) and neighbours
    endif()
    string(REGEX MATCH "^[^/]+" to ${target})
    if(NOT DEFINED rank_${to})
      continue()
    endif()
    if(rank_${to} GREATER rank_${folder})
      list(APPEND faults "${file} includes ${target} (${folder} may not include ${to})")
    endif()
  endforeach()
endforeach()

list(REMOVE_DUPLICATES faults)
if(faults)
  list(JOIN faults "\n  " shown)
  message(FATAL_ERROR "Includes that point up the layers:\n  ${shown}")
endif()
list(LENGTH files count)
message(STATUS "${count} files, every include points down the layers")
