# The multi-connection downloader of one file and its resume record.
target_sources(orb_downloader PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/multi_downloader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/multi_ranges.cpp
  ${CMAKE_CURRENT_LIST_DIR}/multi_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/package_file_name.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resume_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/size_query.cpp
  ${CMAKE_CURRENT_LIST_DIR}/temp_file_${ORB_OS_SUFFIX}.cpp
)
