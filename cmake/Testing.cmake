# orb_add_test(<name> SOURCES ... [LIBS ...] [FIXTURES ...] [ENVIRONMENT ...])
# One GoogleTest executable, one ctest entry. Every run leaves a result file in
# <build>/test-results/<name>.xml, which the summary at the end of `make test` counts.
# In a Windows build the test runs under wine through CMAKE_CROSSCOMPILING_EMULATOR.
set(ORB_TEST_RESULTS "${CMAKE_BINARY_DIR}/test-results")

if(ORB_WINDOWS AND CMAKE_CROSSCOMPILING)
  set(ORB_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  configure_file("${CMAKE_SOURCE_DIR}/tools/wine/run.sh.in" "${CMAKE_BINARY_DIR}/wine-run.sh"
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run.sh")
  # Wine maps the Linux root to drive Z:; a path without a drive would be taken as relative.
  set(ORB_TEST_RESULTS_ARG "Z:${ORB_TEST_RESULTS}")
else()
  set(ORB_TEST_RESULTS_ARG "${ORB_TEST_RESULTS}")
endif()

# Debian's own python3 first: the one on PATH may be a separate build.
find_program(ORB_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(ORB_PYTHON NAMES python3 REQUIRED)

function(orb_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;FIXTURES;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}")
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports false positives inside <regex> at -O2.
    target_compile_options(${name} PRIVATE -Wno-maybe-uninitialized)
  endif()
  add_test(NAME ${name} COMMAND ${name} "--gtest_output=xml:${ORB_TEST_RESULTS_ARG}/${name}.xml")
  set(env "ORB_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "ORB_BINARY_DIR=${CMAKE_BINARY_DIR}" ${T_ENVIRONMENT})
  if(T_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES}")
    if("testserver" IN_LIST T_FIXTURES)
      list(APPEND env "ORB_TESTSERVER_DIR=${CMAKE_BINARY_DIR}/testserver")
    endif()
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

# orb_add_service_fixture(<fixture> <test-prefix> <script> <state-dir>)
# A server process for tests: `<script> start|stop --state-dir <state-dir>` runs as the
# ctest tests <test-prefix>.start and <test-prefix>.stop around every test that requires
# <fixture>.
function(orb_add_service_fixture fixture prefix script state_dir)
  add_test(NAME ${prefix}.start COMMAND "${ORB_PYTHON}" "${script}" start --state-dir "${state_dir}")
  add_test(NAME ${prefix}.stop COMMAND "${ORB_PYTHON}" "${script}" stop --state-dir "${state_dir}")
  set_tests_properties(${prefix}.start PROPERTIES FIXTURES_SETUP ${fixture})
  set_tests_properties(${prefix}.stop PROPERTIES FIXTURES_CLEANUP ${fixture})
endfunction()
