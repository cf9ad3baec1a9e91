# The window start-up benchmark needs the window library and the product's resources:
# windows only.
if(WIN32)
  target_link_libraries(ui_startup_bench PRIVATE velk_ui velk_resources)
  target_link_options(ui_startup_bench PRIVATE -municode -mwindows)
else()
  set_source_files_properties("${CMAKE_CURRENT_SOURCE_DIR}/ui_startup_bench.cpp" PROPERTIES HEADER_FILE_ONLY ON)
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/ui_startup_bench_native.cpp"
    "#include <cstdio>\nint main() { std::puts(\"window start-up is measured in the windows build\"); }\n")
  target_sources(ui_startup_bench PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/ui_startup_bench_native.cpp")
endif()
