# Service API client, error and support reports, retention offer.
list(APPEND ORB_REPORT_SOURCES
     ${CMAKE_CURRENT_LIST_DIR}/service_api.cpp
     ${CMAKE_CURRENT_LIST_DIR}/service_facts.cpp
     ${CMAKE_CURRENT_LIST_DIR}/error_report.cpp
     ${CMAKE_CURRENT_LIST_DIR}/support_report.cpp
     ${CMAKE_CURRENT_LIST_DIR}/product_series.cpp)
if(ORB_WINDOWS)
  list(APPEND ORB_REPORT_SOURCES ${CMAKE_CURRENT_LIST_DIR}/service_facts_win.cpp)
endif()
