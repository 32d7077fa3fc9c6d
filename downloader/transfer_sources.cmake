# Range transfers, host resolution and connection tuning of the download engine.
target_sources(orb_downloader PRIVATE
  # one byte range over one connection
  ${CMAKE_CURRENT_LIST_DIR}/range_downloader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/url_split.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipv4_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/thread_name_${ORB_OS_SUFFIX}.cpp
  # hosts: system resolver, HTTP-DNS, size agreement
  ${CMAKE_CURRENT_LIST_DIR}/host_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prepare_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/http_dns.cpp
  ${CMAKE_CURRENT_LIST_DIR}/http_dns_account.cpp
  ${CMAKE_CURRENT_LIST_DIR}/system_resolver_${ORB_OS_SUFFIX}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dns_cache_${ORB_OS_SUFFIX}.cpp
  # connections and buffers
  ${CMAKE_CURRENT_LIST_DIR}/address_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tuning.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tcp_stats_${ORB_OS_SUFFIX}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory_status_${ORB_OS_SUFFIX}.cpp
)
if(ORB_WINDOWS)
  target_link_libraries(orb_downloader PRIVATE iphlpapi ws2_32)
endif()
