# brunox_tests(<name> [QT] SOURCES ... LIBS ...): one GoogleTest executable per module,
# registered with CTest. The shared test main prepares a private ODBC set-up and
# settings folder before any test runs; with QT it also creates the QApplication (offscreen).
function(brunox_tests name)
  if(NOT BRUNOX_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} brunox_testsupport_qt GTest::gtest)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} brunox_testmain GTest::gtest)
  endif()
  # Parameterised tests carry their own names; the value dump gtest would add is no name.
  # The executable's name is each test's label: `ctest -L brunox_engine_tests` runs one module.
  # A test named *Screenshot* only draws pictures for people to look at: `./dev screenshots`
  # runs those, the test suite does not.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES TEST_FILTER "-*Screenshot*"
                       PROPERTIES TIMEOUT 600 LABELS ${name})
endfunction()
