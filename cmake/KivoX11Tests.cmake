# Entries that run on a real X server as well as offscreen.
#
# The offscreen platform answers activation, focus, exposure and window-state
# requests at once; an X server answers them some loop turns later. The
# in-window suites and the unit tests that depend on activation, focus or
# popups therefore run a second time under Xvfb with Qt's xcb platform. Each
# entry starts a server of its own through tools/x11/with-xvfb, where the
# server picks a free display itself, so entries run in parallel without
# sharing a server (xvfb-run -a picks the number from outside and, with many
# runs starting together, can hand a command a display that is not its own).
# Plain Xvfb has no window manager: entries that need one (full screen that
# really covers the screen) run openbox on their server first
# (tools/x11/with-openbox).
#
# Every entry carries the label "x11". Without Xvfb (scripts/setup installs
# it) the entries still exist and fail, naming the missing program.
set(KIVO_WITH_XVFB ${CMAKE_SOURCE_DIR}/tools/x11/with-xvfb)
set(KIVO_X11_SERVER_ARGUMENTS "-screen 0 1920x1080x24")

# kivo_x11_command(var [WINDOW_MANAGER]): in `var`, the command that runs the
# command after it on a new Xvfb server (under openbox with WINDOW_MANAGER).
# The entry must set QT_QPA_PLATFORM=xcb in its environment.
function(kivo_x11_command var)
  cmake_parse_arguments(KX "WINDOW_MANAGER" "" "" ${ARGN})
  set(command ${KIVO_WITH_XVFB} -s "${KIVO_X11_SERVER_ARGUMENTS}")
  if(KX_WINDOW_MANAGER)
    list(APPEND command ${CMAKE_SOURCE_DIR}/tools/x11/with-openbox)
  endif()
  set(${var} ${command} PARENT_SCOPE)
endfunction()

# kivo_x11_test(target name FILTER pattern [WINDOW_MANAGER]): the entry
# "<target>:<name>_x11", running the GoogleTest binary `target` on its own X
# server with the filter `pattern`.
function(kivo_x11_test target name)
  cmake_parse_arguments(KX "WINDOW_MANAGER" "FILTER" "" ${ARGN})
  if(KX_WINDOW_MANAGER)
    kivo_x11_command(prefix WINDOW_MANAGER)
  else()
    kivo_x11_command(prefix)
  endif()
  set(entry "${target}:${name}_x11")
  add_test(NAME ${entry} COMMAND ${prefix} $<TARGET_FILE:${target}> --gtest_filter=${KX_FILTER})
  set_tests_properties(${entry} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=xcb"
    SKIP_REGULAR_EXPRESSION "KIVO: every case of this run skipped"
    LABELS "unit;x11"
    TIMEOUT 300)
endfunction()

# kivo_x11_test_suites(target suite...): one entry "<target>:<suite>_x11"
# per GoogleTest suite, on plain Xvfb.
function(kivo_x11_test_suites target)
  foreach(suite ${ARGN})
    kivo_x11_test(${target} ${suite} FILTER "${suite}.*")
  endforeach()
endfunction()
