# The mixer's cost per second of sound, and MP3 decoding through the player
# against a bare libmpg123 decode.
add_executable(bench_mixer ${CMAKE_CURRENT_LIST_DIR}/mixer.cpp)
target_link_libraries(bench_mixer PRIVATE win32_testing audio benchmark::benchmark)
