# The peak-memory probe is the download benchmark's (one function per platform).
if(WIN32)
  target_sources(unpack_bench PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/download_bench.win32.cpp")
  target_link_libraries(unpack_bench PRIVATE psapi)
else()
  target_sources(unpack_bench PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/download_bench.posix.cpp")
endif()
