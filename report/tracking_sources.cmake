# Tracking store and report, analytics client: list(APPEND ORB_REPORT_SOURCES ...) with paths.
list(APPEND ORB_REPORT_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/tracking_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tracking_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tracking_report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tracking_summary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tracking_tid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tracking_facts_${ORB_OS_SUFFIX}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tracking_file_${ORB_OS_SUFFIX}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/retention.cpp
)
# Analytics client (kept by the analytics work; append, don't rewrite): records, buffer and
# staging file, encoding, sender, worker facade.
list(APPEND ORB_REPORT_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/analytics_diagnostics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_value.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_local_time_${ORB_OS_SUFFIX}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_encoding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_sender.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_core.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_texts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_facts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/analytics_client.cpp
)
if(ORB_WINDOWS)
  list(APPEND ORB_REPORT_SOURCES ${CMAKE_CURRENT_LIST_DIR}/analytics_facts_win.cpp)
endif()
