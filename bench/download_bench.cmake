# The peak-memory probe is the one platform-specific piece of the download benchmark.
if(WIN32)
  target_sources(download_bench PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/download_bench.win32.cpp")
  target_link_libraries(download_bench PRIVATE psapi)
else()
  target_sources(download_bench PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/download_bench.posix.cpp")
endif()
