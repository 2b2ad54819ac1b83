# libFuzzer builds of the code that reads outside input. They need clang, so they live in a build of
# their own (scripts/fuzz.sh). With TBN_FUZZ every library of src/ is compiled with coverage
# instrumentation, AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target
# (tests/fuzz/CMakeLists.txt) links the lowest layer that holds what it exercises.
option(TBN_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(NOT TBN_FUZZ)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TBN_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
