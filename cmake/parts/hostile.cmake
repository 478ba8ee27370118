# The program that writes files built to be slow or large (scripts/bench
# measures them) and the fuzz seeds of the same shapes; not part of any test.
add_executable(hostile_files ${CMAKE_SOURCE_DIR}/fuzz/seeds/hostile_files.cpp)
target_include_directories(hostile_files PRIVATE ${CMAKE_SOURCE_DIR}/tests)
