# Run by CTest: lists the test program's Qt Test functions and adds one test for each.
if(NOT EXISTS "${TEST_EXECUTABLE}")
  add_test("${TEST_PREFIX}NOT_BUILT" "${TEST_EXECUTABLE}")
  return()
endif()
execute_process(COMMAND "${TEST_EXECUTABLE}" --list
  OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  add_test("${TEST_PREFIX}LIST_FAILED" "${TEST_EXECUTABLE}" --list)
  return()
endif()
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  string(REPLACE " " ";" parts "${line}")
  list(GET parts 0 test_class)
  list(GET parts 1 test_function)
  set(name "${TEST_PREFIX}${test_class}.${test_function}")
  add_test("${name}" "${TEST_EXECUTABLE}" "${test_class}" "${test_function}")
  set_tests_properties("${name}" PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    WORKING_DIRECTORY "${TEST_WORKING_DIRECTORY}")
  if(TEST_JACK_FIXTURE)
    # The test talks to the JACK server of the fixture.
    set_tests_properties("${name}" PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORNMILL_JACK_FIXTURE=${TEST_JACK_FIXTURE}"
      FIXTURES_REQUIRED jack_server RESOURCE_LOCK jack TIMEOUT 240)
  endif()
endforeach()
