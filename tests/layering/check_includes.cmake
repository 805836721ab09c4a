# Fails, naming the file, when a source includes a header of a folder it must not use.
# Each folder may include only the folders below it in this order; two folders never
# include each other. Folders still to come get their places here as they are added.
#   cmake -DSOURCE_DIR=<repo> -P check_includes.cmake
set(ORDER base outside platform ui core pictures editor archive launcher browser search preview info app)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(failures "")
foreach(folder IN LISTS ORDER)
  list(FIND ORDER ${folder} rank)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.c)
  foreach(source IN LISTS sources)
    file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "#[ \t]*include[ \t]*\"([A-Za-z0-9_]+)/")
        continue()
      endif()
      set(target ${CMAKE_MATCH_1})
      list(FIND ORDER ${target} target_rank)
      if(target_rank EQUAL -1 OR target STREQUAL folder)
        continue() # not a folder of the program (or its own)
      endif()
      if(target_rank GREATER rank)
        string(STRIP "${line}" line)
        list(APPEND failures "${source}: ${line} (${folder}/ may not include ${target}/)")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "Includes against the layering:\n${text}")
endif()
message(STATUS "Includes keep to the layering: ${ORDER}")
