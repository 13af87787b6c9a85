# kivo_test_suites(target [ENVIRONMENT var=value...] [LABELS label...])
#
# Registers one CTest entry per GoogleTest suite of `target`, named
# "<target>:<Suite>". Starting a process per test case cost most of a test
# run's time; a suite per process keeps the run parallel while a failing case
# is still named in the entry's output. The suites are listed after each
# build, as GoogleTest's own discovery does, so the entries follow the code.
#
# An entry whose cases all skipped (the binary prints the marker of
# kivo_test_listener.h) is reported as skipped, never as passed.
#
# A suite whose name ends in "X11" checks what a real X server shows: its
# entry, "<target>:<Suite without X11>_x11", runs the binary on the xcb platform under
# xvfb-run (a 1920x1080 screen without a compositing manager), one such
# entry at a time, and the other entries leave it out. Without xvfb-run
# these suites get no entry.
set(KIVO_TEST_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/KivoListSuites.cmake)
find_program(KIVO_XVFB_RUN xvfb-run)

function(kivo_test_suites target)
  cmake_parse_arguments(KS "" "" "ENVIRONMENT;LABELS" ${ARGN})
  set(listed "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake")
  set(stub "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites_include.cmake")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND}
            -D "EXECUTABLE=$<TARGET_FILE:${target}>"
            -D "TARGET=${target}"
            -D "OUTPUT=${listed}"
            -D "WORKING_DIRECTORY=${CMAKE_CURRENT_BINARY_DIR}"
            -D "ENVIRONMENT=${KS_ENVIRONMENT}"
            -D "LABELS=${KS_LABELS}"
            -D "XVFB_RUN=${KIVO_XVFB_RUN}"
            -P ${KIVO_TEST_SUITES_SCRIPT}
    BYPRODUCTS ${listed}
    VERBATIM)
  file(WRITE ${stub}
    "if(EXISTS \"${listed}\")\n"
    "  include(\"${listed}\")\n"
    "else()\n"
    "  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${stub})
endfunction()
