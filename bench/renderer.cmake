# Frames of the Renderer on a real window (run under Xvfb).
add_executable(bench_renderer ${CMAKE_CURRENT_LIST_DIR}/renderer.cpp)
target_link_libraries(bench_renderer PRIVATE graphics graphics_gl_window benchmark::benchmark)
