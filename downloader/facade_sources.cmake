# The facade, task manager and command queue over the downloader.
target_sources(orb_downloader PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/downloader_manager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/event_dispatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_target_${ORB_OS_SUFFIX}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/task_operator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/multi_task_manager.cpp
)
