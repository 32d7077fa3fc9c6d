# The stand-in for the maker cloud, and tests of the service API, error and support reports and retention.

# The cloud stand-in (tools/cloud): started once before the tests that require the fixture
# `cloud`, stopped after them. Tests find it through ORB_CLOUD_DIR (tests/report/cloud_support.h):
#   orb_add_test(my_test SOURCES ... LIBS orb_cloud_support FIXTURES cloud ENVIRONMENT ${ORB_CLOUD_ENV})
set(ORB_CLOUD_DIR "${CMAKE_BINARY_DIR}/cloud")
orb_add_service_fixture(cloud cloud "${CMAKE_SOURCE_DIR}/tools/cloud/ctl.py" "${ORB_CLOUD_DIR}")
if(ORB_WINDOWS AND CMAKE_CROSSCOMPILING)
  # Wine maps the Linux root to drive Z:; a path without a drive would be taken as relative.
  set(ORB_CLOUD_ENV "ORB_CLOUD_DIR=Z:${ORB_CLOUD_DIR}")
else()
  set(ORB_CLOUD_ENV "ORB_CLOUD_DIR=${ORB_CLOUD_DIR}")
endif()

add_library(orb_cloud_support STATIC ${CMAKE_CURRENT_LIST_DIR}/cloud_support.cpp)
target_include_directories(orb_cloud_support PUBLIC "${CMAKE_SOURCE_DIR}")
target_link_libraries(orb_cloud_support PUBLIC orb_test_support orb_log orb_common orb::cjson GTest::gtest)

add_test(NAME cloud.selftest COMMAND "${ORB_PYTHON}" "${CMAKE_SOURCE_DIR}/tools/cloud/selftest.py")
set_tests_properties(cloud.selftest PROPERTIES FIXTURES_REQUIRED cloud
                     ENVIRONMENT "ORB_CLOUD_DIR=${ORB_CLOUD_DIR}" TIMEOUT 120)

orb_add_test(service_cloud_support_test
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/service_cloud_support_test.cpp
             LIBS orb_cloud_support orb_downloader
             FIXTURES cloud ENVIRONMENT ${ORB_CLOUD_ENV})

orb_add_test(service_api_test
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/service_api_test.cpp
             LIBS orb_report orb_cloud_support
             FIXTURES cloud ENVIRONMENT ${ORB_CLOUD_ENV})

set(orb_error_report_sources ${CMAKE_CURRENT_LIST_DIR}/error_report_test.cpp)
if(ORB_WINDOWS)
  list(APPEND orb_error_report_sources ${CMAKE_CURRENT_LIST_DIR}/error_report_facts_win_test.cpp)
endif()
orb_add_test(error_report_test
             SOURCES ${orb_error_report_sources}
             LIBS orb_report orb_cloud_support
             FIXTURES cloud ENVIRONMENT ${ORB_CLOUD_ENV})

orb_add_test(service_reports_test
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/service_reports_test.cpp
             LIBS orb_report orb_cloud_support
             FIXTURES cloud ENVIRONMENT ${ORB_CLOUD_ENV})
