# Long-run and load checks (not tests: scripts/soak runs them and prints their figures).
if(TILVANE_BUILD_BENCH)
  add_executable(music_cycles bench/soak/music_cycles.cpp)
  target_link_libraries(music_cycles PRIVATE tilvane_core)
  if(TILVANE_BUILD_EDITOR)
    add_executable(group_soak bench/soak/group_soak.cpp)
    target_link_libraries(group_soak PRIVATE tilvane_editor)
  endif()
endif()
