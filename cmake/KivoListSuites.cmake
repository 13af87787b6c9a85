# Run after a test binary is built: lists its GoogleTest suites and writes the
# CTest entries, one per suite. Arguments come as -D definitions from
# kivo_test_suites() in KivoTestSuites.cmake.
execute_process(
  COMMAND "${EXECUTABLE}" --gtest_list_tests
  WORKING_DIRECTORY "${WORKING_DIRECTORY}"
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE status
  TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Listing the tests of ${EXECUTABLE} failed (${status}):\n${listing}")
endif()

string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(script "")
foreach(line IN LISTS lines)
  # Suite lines start in the first column ("Suite." or "Prefix/Suite/0.  # TypeParam = ..."),
  # case lines are indented.
  if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
    set(suite "${CMAKE_MATCH_1}")
    set(name "${TARGET}:${suite}")
    string(APPEND script
      "add_test([==[${name}]==] [==[${EXECUTABLE}]==] [==[--gtest_filter=${suite}.*]==])\n"
      "set_tests_properties([==[${name}]==] PROPERTIES\n"
      "  WORKING_DIRECTORY [==[${WORKING_DIRECTORY}]==]\n"
      "  SKIP_REGULAR_EXPRESSION [==[KIVO: every case of this run skipped]==]\n")
    if(ENVIRONMENT)
      string(APPEND script "  ENVIRONMENT [==[${ENVIRONMENT}]==]\n")
    endif()
    if(LABELS)
      string(APPEND script "  LABELS [==[${LABELS}]==]\n")
    endif()
    string(APPEND script ")\n")
  endif()
endforeach()
file(WRITE "${OUTPUT}" "${script}")
