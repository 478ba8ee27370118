# The program that writes files built to be slow or large (for measuring by
# hand) and the fuzz seeds of the same shapes; not part of any test.
add_executable(hostile_files EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/fuzz/seeds/hostile_files.cpp)
target_include_directories(hostile_files PRIVATE ${CMAKE_SOURCE_DIR}/tests)
