# vorn_add_test(NAME SOURCES... LIBS ...)
# One GoogleTest program, its cases registered with CTest one by one.
function(vorn_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    VORN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VORN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# vorn_add_fuzzer(NAME SOURCE src.cpp LIBS ... CORPUS dir)
# The source defines LLVMFuzzerTestOneInput. With VORN_FUZZ it becomes a
# libFuzzer program; otherwise it is a regression test that replays every
# file of the saved corpus, so found inputs stay fixed in the normal builds.
function(vorn_add_fuzzer name)
  cmake_parse_arguments(F "" "SOURCE;CORPUS" "LIBS" ${ARGN})
  if(VORN_FUZZ)
    add_executable(${name} ${F_SOURCE})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    add_dependencies(vorn_fuzzers ${name})
    # New inputs go to a scratch corpus in the build; the saved one is only read.
    set(work ${PROJECT_BINARY_DIR}/fuzz-corpus/${name})
    file(MAKE_DIRECTORY ${work} ${PROJECT_BINARY_DIR}/fuzz-artifacts)
    add_test(NAME fuzz_${name}
      COMMAND ${name} -max_total_time=${VORN_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
              -artifact_prefix=${PROJECT_BINARY_DIR}/fuzz-artifacts/${name}- ${work} ${F_CORPUS})
    set_tests_properties(fuzz_${name} PROPERTIES LABELS fuzz TIMEOUT 900)
  else()
    add_executable(${name}_replay ${F_SOURCE} ${PROJECT_SOURCE_DIR}/tests/fuzz_replay_main.cpp)
    target_link_libraries(${name}_replay PRIVATE ${F_LIBS})
    add_test(NAME ${name}_corpus COMMAND ${name}_replay ${F_CORPUS})
  endif()
endfunction()
