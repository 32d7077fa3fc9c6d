# Range transfers, host table, HTTP-DNS and connection tuning.

# Servers of our own beside the shared test server: the project's test server on twelve
# loopback addresses with sizes that differ by address, two HTTP-DNS resolvers and a
# server that answers ranges wrongly.
set(ORB_TRANSFER_PEERS_DIR "${CMAKE_CURRENT_BINARY_DIR}/transfer_peers")
orb_add_service_fixture(transfer_peers downloader_transfer_peers "${CMAKE_CURRENT_SOURCE_DIR}/transfer_peers.py"
                        "${ORB_TRANSFER_PEERS_DIR}")

orb_add_test(downloader_transfer_test
  SOURCES range_downloader_test.cpp host_table_test.cpp tuning_test.cpp
          transfer_peers.cpp test_file.cpp log_tail.cpp
  LIBS orb_downloader orb_test_support
  FIXTURES testserver transfer_peers
  ENVIRONMENT "ORB_TRANSFER_PEERS_DIR=${ORB_TRANSFER_PEERS_DIR}")
