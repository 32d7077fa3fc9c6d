# Tests of the multi-connection downloader.
set(multi_sources
  multi_units_test.cpp multi_download_test.cpp multi_faults_test.cpp multi_resume_test.cpp
  multi_harness.cpp multi_attributes_${ORB_OS_SUFFIX}.cpp transfer_peers.cpp log_tail.cpp)
if(NOT ORB_WINDOWS)
  list(APPEND multi_sources multi_disk_full_posix.cpp)
endif()
orb_add_test(downloader_multi_test
  SOURCES ${multi_sources}
  LIBS orb_downloader orb_test_support
  FIXTURES testserver transfer_peers
  ENVIRONMENT "ORB_TRANSFER_PEERS_DIR=${ORB_TRANSFER_PEERS_DIR}")
