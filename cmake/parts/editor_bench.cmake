# Benchmarks of the editor itself (they need Qt, so they live apart from bench/*_bench.cpp).
if(TILVANE_BUILD_EDITOR AND TILVANE_BUILD_BENCH)
  find_package(benchmark REQUIRED)
  add_executable(startup_probe bench/editor/startup_probe.cpp)
  target_link_libraries(startup_probe PRIVATE tilvane_editor Qt6::Test)
  # The references load Qt alone, so that nothing of the editor's counts in
  # them; of the editor's code only the window table is linked in.
  add_executable(bare_window bench/editor/bare_window.cpp)
  target_link_libraries(bare_window PRIVATE tilvane_editor Qt6::Test)
  add_executable(startup_bench bench/editor/startup_bench.cpp)
  add_dependencies(startup_bench startup_probe bare_window)
  add_executable(open_probe bench/editor/open_probe.cpp)
  target_link_libraries(open_probe PRIVATE tilvane_editor)
  add_executable(refresh_bench bench/editor/refresh_bench.cpp)
  target_link_libraries(refresh_bench PRIVATE tilvane_editor benchmark::benchmark)
  target_include_directories(refresh_bench PRIVATE tests)
endif()
