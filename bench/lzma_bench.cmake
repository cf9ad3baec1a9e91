# The LZMA benchmark encodes its stream with liblzma and races its decoder against ours:
# native only (there is no liblzma in the MinGW build).
if(WIN32)
  set_source_files_properties("${CMAKE_CURRENT_SOURCE_DIR}/lzma_bench.cpp" PROPERTIES HEADER_FILE_ONLY ON)
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/lzma_bench_windows.cpp"
    "#include <cstdio>\nint main() { std::puts(\"the LZMA benchmark runs in the native build\"); }\n")
  target_sources(lzma_bench PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/lzma_bench_windows.cpp")
else()
  find_library(LZMA_LIBRARY lzma REQUIRED)
  target_link_libraries(lzma_bench PRIVATE "${LZMA_LIBRARY}")
endif()
