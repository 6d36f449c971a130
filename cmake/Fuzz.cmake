# Fuzz targets for the readers of outside input (trace files, command files,
# stored images). Each target is one source with the libFuzzer entry point
#   extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
# and a folder of seed inputs.
#
# In every build each target is linked with tests/fuzz/corpus_main.cpp,
# which feeds it every seed file once: a regression test that also runs
# under the sanitizer builds. With -DPCSIM_FUZZ=ON (clang only; see
# scripts/test --fuzz) the targets are linked with libFuzzer instead, the
# code they reach is built with coverage instrumentation and AddressSanitizer
# + UndefinedBehaviorSanitizer, and each test fuzzes for PCSIM_FUZZ_SECONDS.
option(PCSIM_FUZZ "Build the fuzz targets with libFuzzer (clang)" OFF)
set(PCSIM_FUZZ_SECONDS 20 CACHE STRING "How long each fuzz test runs with PCSIM_FUZZ")

if(PCSIM_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "PCSIM_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# pcsim_add_fuzz_target(NAME SOURCE src.cpp CORPUS dir [LIBS lib...])
function(pcsim_add_fuzz_target name)
  cmake_parse_arguments(F "" "SOURCE;CORPUS" "LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCE})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${F_LIBS} pcsim_warnings)
  if(PCSIM_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # New inputs go to a scratch corpus in the build tree; the seeds stay as committed.
    set(scratch ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    file(MAKE_DIRECTORY ${scratch})
    add_test(NAME ${name}
             COMMAND ${name} -max_total_time=${PCSIM_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                     -print_final_stats=1 ${scratch} ${F_CORPUS})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus_main.cpp)
    add_test(NAME ${name} COMMAND ${name} ${F_CORPUS})
  endif()
endfunction()
