# The peak-memory probe is the download benchmark's; the CPU-time probe is this one's.
if(WIN32)
  target_sources(unpack_bench PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/download_bench.win32.cpp"
    "${CMAKE_CURRENT_SOURCE_DIR}/unpack_bench.win32.cpp")
  target_link_libraries(unpack_bench PRIVATE psapi)
else()
  target_sources(unpack_bench PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/download_bench.posix.cpp"
    "${CMAKE_CURRENT_SOURCE_DIR}/unpack_bench.posix.cpp")
endif()
