# One play-screen update plus its draw queueing, with 50, 200 and 1000 enemies.
add_executable(bench_world ${CMAKE_CURRENT_LIST_DIR}/world.cpp)
target_link_libraries(bench_world PRIVATE game win32_testing lodepng::lodepng benchmark::benchmark)
