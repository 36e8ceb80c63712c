# The mixer's cost per second of sound, MP3 decoding through the player
# against a bare libmpg123 decode, and the first play of data that is no MP3.
add_executable(bench_mixer ${CMAKE_CURRENT_LIST_DIR}/mixer.cpp)
target_link_libraries(bench_mixer PRIVATE audio win32_testing PkgConfig::MPG123 benchmark::benchmark)
