# The Windows program, its Win32 tests and benchmarks.
set(win_libs gdiplus comctl32 uxtheme shell32 advapi32 gdi32 user32 ole32)
include(${CMAKE_CURRENT_LIST_DIR}/delayload.cmake)  # the same DLLs, delay-loaded by the program

# The thin Win32 layer (handles, drawing surfaces, GDI+, seams) and the window framework on it.
file(GLOB forms_sources CONFIGURE_DEPENDS src/win32/*.cpp src/forms/*.cpp)
list(FILTER forms_sources EXCLUDE REGEX "systemfunction\\.cpp$")
add_library(ocellus_forms STATIC ${forms_sources})
target_link_libraries(ocellus_forms PUBLIC ocellus_rules ocellus_system_libs)
# The table of functions bound at run time, linked into each program: as it is for the program, and for
# the tests one that can hide what an older Windows lacks.
add_library(ocellus_bindings OBJECT src/win32/systemfunction.cpp)
add_library(ocellus_bindings_simulated OBJECT src/win32/systemfunction.cpp)
target_compile_definitions(ocellus_bindings_simulated PUBLIC OCELLUS_SIMULATED_WINDOWS)
foreach(lib ocellus_bindings ocellus_bindings_simulated)
  target_include_directories(${lib} PUBLIC src)
endforeach()

file(GLOB core_sources CONFIGURE_DEPENDS src/app/*.cpp src/about/*.cpp src/mylib/*.cpp)
list(FILTER core_sources EXCLUDE REGEX "(_rules|contbrightsat|main)\\.cpp$")
add_library(ocellus_core STATIC ${core_sources})
target_link_libraries(ocellus_core PUBLIC ocellus_forms)

enable_language(RC)
add_executable(Ocellus WIN32 src/app/main.cpp res/ocellus.rc $<TARGET_OBJECTS:ocellus_bindings>)
target_link_libraries(Ocellus PRIVATE ocellus_core)
ocellus_delay_load(Ocellus)
if(NOT MSVC)
  target_link_options(Ocellus PRIVATE -municode)  # wWinMain
endif()
set_source_files_properties(res/ocellus.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/res/ocellus.manifest;${CMAKE_SOURCE_DIR}/res/ocellus.ico")
set_source_files_properties(res/tests.rc PROPERTIES OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/ocellus.manifest")

if(OCELLUS_TESTS)
  file(GLOB win_tests CONFIGURE_DEPENDS tests/win/*.cpp)
  # Each test program puts back, before its first test, the prefix settings a killed run left changed.
  set(prefix_journal tests/support/registry_override.cpp)
  add_executable(win_tests ${win_tests} ${prefix_journal} tests/support/simulated_windows.cpp res/tests.rc)
  target_link_libraries(win_tests PRIVATE ocellus_bindings_simulated ocellus_core GTest::gtest_main)
  target_include_directories(win_tests PRIVATE tests/support)
  gtest_discover_tests(win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "win.")
  add_dependencies(win_tests Ocellus)  # the manifest tests read the program's resources
  # The tests of what differs by Windows version, once as each version, with what it lacks hidden.
  # Before 1607 no thread's awareness differs from the process's, so the scaled-display reads made by
  # an unaware thread have no counterpart there.
  set(by_version "Density.*:DensityAwareness.*:PhysicalPixels.*:About*")
  foreach(version 7 7-updated 8.1 10-1507 10-1607 10-1703)
    add_test(NAME win.as-windows-${version} COMMAND win_tests --gtest_filter=${by_version})
    set_tests_properties(win.as-windows-${version} PROPERTIES ENVIRONMENT OCELLUS_WINDOWS=${version})
  endforeach()

  file(GLOB e2e_tests CONFIGURE_DEPENDS tests/e2e/*.cpp)
  if(e2e_tests)
    add_executable(e2e_tests ${e2e_tests} ${prefix_journal})
    target_link_libraries(e2e_tests PRIVATE ocellus_rules GTest::gtest_main ${win_libs})
    target_include_directories(e2e_tests PRIVATE tests/support)
    add_dependencies(e2e_tests Ocellus standin old_fallback)
    # The planting test's stand-in DLL (kernel32 only) and its control, a program with the old defence only.
    add_library(standin SHARED tests/e2e/plant/standin.cpp)
    set_target_properties(standin PROPERTIES PREFIX "")
    add_executable(old_fallback tests/e2e/plant/old_fallback.cpp)
    if(NOT MSVC)
      target_link_options(standin PRIVATE -static)
    endif()
    gtest_discover_tests(e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "e2e."
      PROPERTIES RUN_SERIAL TRUE)
  endif()
endif()

if(OCELLUS_BENCH)
  file(GLOB win_bench CONFIGURE_DEPENDS bench/win/*.cpp)
  if(win_bench)
    add_executable(bench_win ${win_bench} res/tests.rc $<TARGET_OBJECTS:ocellus_bindings>)
    target_link_libraries(bench_win PRIVATE ocellus_core)
  endif()
  # The still-screen benchmark's floor program and its check-box clicker (scripts/bench-still.sh).
  add_executable(still_helper bench/still/still_helper.cpp)
  target_link_libraries(still_helper PRIVATE gdi32 user32)
  if(NOT MSVC)
    target_link_options(still_helper PRIVATE -municode)
  endif()
endif()
