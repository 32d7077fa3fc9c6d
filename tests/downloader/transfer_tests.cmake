# Range transfers, host table, HTTP-DNS and connection tuning.

# Servers of our own beside the shared test server: the project's test server on twelve
# loopback addresses with sizes that differ by address, two HTTP-DNS resolvers and a
# server that answers ranges wrongly.
set(ORB_TRANSFER_PEERS_DIR "${CMAKE_CURRENT_BINARY_DIR}/transfer_peers")
add_test(NAME downloader_transfer_peers.start
         COMMAND "${ORB_PYTHON}" "${CMAKE_CURRENT_SOURCE_DIR}/transfer_peers.py" start --state-dir "${ORB_TRANSFER_PEERS_DIR}")
add_test(NAME downloader_transfer_peers.stop
         COMMAND "${ORB_PYTHON}" "${CMAKE_CURRENT_SOURCE_DIR}/transfer_peers.py" stop --state-dir "${ORB_TRANSFER_PEERS_DIR}")
set_tests_properties(downloader_transfer_peers.start PROPERTIES FIXTURES_SETUP transfer_peers)
set_tests_properties(downloader_transfer_peers.stop PROPERTIES FIXTURES_CLEANUP transfer_peers)

orb_add_test(downloader_transfer_test
  SOURCES range_downloader_test.cpp host_table_test.cpp tuning_test.cpp
          transfer_peers.cpp test_file.cpp log_tail.cpp
  LIBS orb_downloader orb_test_support
  FIXTURES testserver transfer_peers
  ENVIRONMENT "ORB_TRANSFER_PEERS_DIR=${ORB_TRANSFER_PEERS_DIR}")
