# Range transfers, host resolution and connection tuning of the download engine.
if(ORB_WINDOWS)
  set(orb_transfer_os win)
else()
  set(orb_transfer_os posix)
endif()
target_sources(orb_downloader PRIVATE
  # one byte range over one connection
  ${CMAKE_CURRENT_LIST_DIR}/range_downloader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/url_split.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipv4_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/thread_name_${orb_transfer_os}.cpp
  # hosts: system resolver, HTTP-DNS, size agreement
  ${CMAKE_CURRENT_LIST_DIR}/host_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prepare_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/http_dns.cpp
  ${CMAKE_CURRENT_LIST_DIR}/http_dns_account.cpp
  ${CMAKE_CURRENT_LIST_DIR}/system_resolver_${orb_transfer_os}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dns_cache_${orb_transfer_os}.cpp
  # connections and buffers
  ${CMAKE_CURRENT_LIST_DIR}/address_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tuning.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tcp_stats_${orb_transfer_os}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/memory_status_${orb_transfer_os}.cpp
)
if(ORB_WINDOWS)
  target_link_libraries(orb_downloader PRIVATE iphlpapi ws2_32)
endif()
