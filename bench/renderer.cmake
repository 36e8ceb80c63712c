# Frames of the Renderer on a real window (run under Xvfb).
add_executable(bench_renderer ${CMAKE_CURRENT_SOURCE_DIR}/renderer.cpp
                              ${PROJECT_SOURCE_DIR}/tests/graphics/GlWindow.cpp)
target_link_libraries(bench_renderer PRIVATE graphics benchmark::benchmark)
