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
    if(suite MATCHES "X11$")
      # On a real X server without a compositing manager, one at a time:
      # each starts its own server.
      if(NOT XVFB_RUN)
        continue()
      endif()
      string(REGEX REPLACE "X11$" "" base "${suite}")
      set(name "${TARGET}:${base}_x11")
      string(APPEND script
        "add_test([==[${name}]==] [==[${XVFB_RUN}]==] -a -s [==[-screen 0 1920x1080x24]==]"
        " [==[${EXECUTABLE}]==] [==[--gtest_filter=${suite}.*]==])\n"
        "set_tests_properties([==[${name}]==] PROPERTIES\n"
        "  WORKING_DIRECTORY [==[${WORKING_DIRECTORY}]==]\n"
        "  SKIP_REGULAR_EXPRESSION [==[KIVO: every case of this run skipped]==]\n"
        "  ENVIRONMENT [==[QT_QPA_PLATFORM=xcb]==]\n"
        "  RESOURCE_LOCK kivo_xvfb\n"
        "  TIMEOUT 120\n")
    else()
      set(name "${TARGET}:${suite}")
      string(APPEND script
        "add_test([==[${name}]==] [==[${EXECUTABLE}]==] [==[--gtest_filter=${suite}.*]==])\n"
        "set_tests_properties([==[${name}]==] PROPERTIES\n"
        "  WORKING_DIRECTORY [==[${WORKING_DIRECTORY}]==]\n"
        "  SKIP_REGULAR_EXPRESSION [==[KIVO: every case of this run skipped]==]\n")
      if(ENVIRONMENT)
        string(APPEND script "  ENVIRONMENT [==[${ENVIRONMENT}]==]\n")
      endif()
    endif()
    if(LABELS)
      string(APPEND script "  LABELS [==[${LABELS}]==]\n")
    endif()
    string(APPEND script ")\n")
  endif()
endforeach()
file(WRITE "${OUTPUT}" "${script}")
