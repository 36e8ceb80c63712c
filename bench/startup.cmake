# Start-up time of the built program in its run folder: from launch to its
# first presented frame (run under Xvfb). The probe library, preloaded into
# the program, notes when the first frame reaches the screen.
add_library(bench_startup_probe MODULE ${CMAKE_CURRENT_LIST_DIR}/startup_probe.cpp)
target_link_libraries(bench_startup_probe PRIVATE ${CMAKE_DL_LIBS})
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
target_link_libraries(bench_startup PRIVATE benchmark::benchmark)
target_compile_definitions(bench_startup PRIVATE
  QUILLFEN_PROGRAM="$<TARGET_FILE:quillfen>"
  QUILLFEN_STARTUP_PROBE="$<TARGET_FILE:bench_startup_probe>")
add_dependencies(bench_startup quillfen bench_startup_probe)
