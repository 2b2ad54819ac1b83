# libFuzzer targets for the code that reads outside input. They need clang, so they live in a
# build of their own (scripts/fuzz.sh): each target compiles the sources it exercises itself,
# instrumented, instead of linking the ordinary tbn_core.
option(TBN_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(NOT TBN_FUZZ)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TBN_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
endif()

set(TBN_FUZZ_DIR ${CMAKE_SOURCE_DIR}/tests/fuzz)
set(TBN_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_custom_target(fuzz_all)

# tbn_fuzz_target(<name> <harness.cpp> <src files relative to src/>...): builds fuzz_<name>.
function(tbn_fuzz_target name harness)
  set(sources ${TBN_FUZZ_DIR}/${harness})
  foreach(src ${ARGN})
    list(APPEND sources ${CMAKE_SOURCE_DIR}/src/${src})
  endforeach()
  add_executable(fuzz_${name} ${sources})
  target_include_directories(fuzz_${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${TBN_FUZZ_DIR})
  target_compile_options(fuzz_${name} PRIVATE ${TBN_FUZZ_FLAGS})
  target_link_options(fuzz_${name} PRIVATE ${TBN_FUZZ_FLAGS})
  target_link_libraries(fuzz_${name} PRIVATE Qt6::Widgets)
  add_dependencies(fuzz_all fuzz_${name})
endfunction()

tbn_fuzz_target(connection_string FuzzConnectionString.cpp
                db/ConnectionString.cpp db/ConnectionStringLexer.cpp)
tbn_fuzz_target(text_file FuzzTextFile.cpp
                core/TextFile.cpp core/FileOps.cpp)
tbn_fuzz_target(cnn_store FuzzCnnStore.cpp
                connections/CnnStore.cpp core/TextFile.cpp core/FileOps.cpp)
tbn_fuzz_target(colorize FuzzColorize.cpp
                editor/tbnSqlEditor.cpp editor/tbnSqlEditor.h editor/SqlColorizer.cpp)
tbn_fuzz_target(file_dialog FuzzFileDialog.cpp
                dialogs/cFileDialog.cpp ui/FileDialogs.cpp)
