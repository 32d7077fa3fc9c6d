# Tests of the tracking store and report and of the analytics client.
orb_add_test(report_tracking_store_test
  SOURCES tracking_store_test.cpp tracking_report_test.cpp tracking_summary_test.cpp
  LIBS orb_report)
# Analytics client (kept by the analytics work; append, don't rewrite): values and records,
# encoding and staging, core and facade with collectors that refuse or hang.
set(analytics_win_tests)
if(ORB_WINDOWS)
  set(analytics_win_tests analytics_facts_win_test.cpp)
endif()
orb_add_test(report_analytics_test
  SOURCES analytics_record_test.cpp analytics_encoding_test.cpp analytics_core_test.cpp
          analytics_facts_test.cpp analytics_test_support.cpp ${analytics_win_tests}
  LIBS orb_report orb_test_support orb::zlib
  FIXTURES testserver)
orb_add_test(report_analytics_wire_test
  SOURCES analytics_wire_test.cpp analytics_tls_test.cpp analytics_test_support.cpp
          ${CMAKE_SOURCE_DIR}/tests/downloader/peer.cpp
          ${CMAKE_SOURCE_DIR}/tests/downloader/system_trust_${ORB_OS_SUFFIX}.cpp
  LIBS orb_report orb_cloud_support orb::zlib
  FIXTURES cloud downloader_peer
  ENVIRONMENT ${ORB_CLOUD_ENV} "ORB_DOWNLOADER_PEER_DIR=${CMAKE_BINARY_DIR}/tests/downloader/peer")
# Tracking report and track id on the wire, against the cloud stand-in.
orb_add_test(report_tracking_wire_test
  SOURCES tracking_wire_test.cpp
  LIBS orb_report orb_cloud_support orb_test_support
  FIXTURES cloud ENVIRONMENT ${ORB_CLOUD_ENV})
# Retention offer against the cloud stand-in.
orb_add_test(report_retention_test
  SOURCES retention_test.cpp
  LIBS orb_report orb_cloud_support
  FIXTURES cloud ENVIRONMENT ${ORB_CLOUD_ENV})
# This system's facts for the report.
orb_add_test(report_tracking_facts_test
  SOURCES tracking_facts_test_${ORB_OS_SUFFIX}.cpp
  LIBS orb_report)
