# Compiles small files with one library's own include folders, as its sources are compiled: an
# include of each folder the library may use must be found, and an include of any other folder must
# fail to compile because the file is not there at all.
#
#   cmake -DCOMPILER=c++ -DFOLDER=run -DSEES="run|db|core" -DALL="core|db|..." -DINCLUDES="dir|dir"
#         -DSOURCE_DIR=src -DWORK=dir -P IncludeRoots.cmake
cmake_minimum_required(VERSION 3.25)
foreach(list SEES ALL INCLUDES)
  string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()
set(flags -std=c++20)
foreach(dir IN LISTS INCLUDES)
  list(APPEND flags "-I${dir}")
endforeach()
file(MAKE_DIRECTORY ${WORK})

# One header of each folder stands for the folder.
foreach(folder IN LISTS ALL)
  file(GLOB headers RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h)
  list(SORT headers)
  list(GET headers 0 header_${folder})
endforeach()

set(allowed "")
foreach(folder IN LISTS SEES)
  string(APPEND allowed "#if !__has_include(\"${header_${folder}}\")\n#error \"${header_${folder}} is out of reach\"\n#endif\n")
endforeach()
file(WRITE ${WORK}/allowed.cpp "${allowed}")
execute_process(COMMAND ${COMPILER} ${flags} -E -o /dev/null ${WORK}/allowed.cpp
                RESULT_VARIABLE failed ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "${FOLDER}/ cannot include what it may use:\n${errors}")
endif()

foreach(folder IN LISTS ALL)
  if(folder IN_LIST SEES)
    continue()
  endif()
  set(planted ${WORK}/planted_${folder}.cpp)
  file(WRITE ${planted} "#include \"${header_${folder}}\"\n")
  execute_process(COMMAND ${COMPILER} ${flags} -fsyntax-only ${planted}
                  RESULT_VARIABLE failed ERROR_VARIABLE errors)
  string(REGEX MATCH "[^\n]*(No such file or directory|file not found)[^\n]*" missing "${errors}")
  if(NOT failed OR NOT missing)
    message(FATAL_ERROR "${FOLDER}/ may not include ${header_${folder}}, yet the include was found:\n${errors}")
  endif()
  message(STATUS "${FOLDER}/ including ${header_${folder}}: ${missing}")
endforeach()
