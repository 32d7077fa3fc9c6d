# Tests of the downloader facade and the orbget tool.
set(facade_window "")
if(ORB_WINDOWS)
  set(facade_window facade_window_win.cpp)
endif()
orb_add_test(downloader_facade_test
  SOURCES facade_manager_test.cpp facade_recorder.cpp ${facade_window}
  LIBS orb_downloader orb_test_support
  FIXTURES testserver)

# orbget as a user runs it: a child process, its printed events, its exit status, Ctrl-C and
# a hard kill part-way through.
if(ORB_WINDOWS)
  set(facade_child facade_child_win.cpp)
  set(orbget_path "Z:$<TARGET_FILE:orbget>")
else()
  set(facade_child facade_child_posix.cpp)
  set(orbget_path "$<TARGET_FILE:orbget>")
endif()
orb_add_test(downloader_orbget_test
  SOURCES facade_orbget_test.cpp facade_recorder.cpp ${facade_child}
  LIBS orb_downloader orb_test_support
  FIXTURES testserver
  ENVIRONMENT "ORBGET=${orbget_path}")
add_dependencies(downloader_orbget_test orbget)
