# The program that writes the image-group fuzz seeds (fuzz/corpus/imagegroup_decode_fuzz);
# run it by hand when the seeds need renewing, it is not part of any test.
add_executable(imagegroup_seeds EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/fuzz/seeds/imagegroup_seeds.cpp)
target_include_directories(imagegroup_seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(imagegroup_seeds PRIVATE tilvane_core)
