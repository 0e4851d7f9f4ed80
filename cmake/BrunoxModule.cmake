# brunox_tests(<name> SOURCES ... LIBS ...): one GoogleTest executable per module,
# registered with CTest. The shared test main prepares a private ODBC set-up and
# settings folder before any test runs.
function(brunox_tests name)
  if(NOT BRUNOX_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} brunox_testsupport GTest::gtest)
  # Parameterised tests carry their own names; the value dump gtest would add is no name.
  # The executable's name is each test's label: `ctest -L brunox_engine_tests` runs one module.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                       PROPERTIES TIMEOUT 600 LABELS ${name})
endfunction()
