# GIMP side: the tile walk, supervised evaluation, worker, progress dialog
# and run flow (sources ending in _gimp.cc), the strandel-batch plug-in and
# the tests that run inside a real GIMP.

# Plug-ins go into the user's GIMP profile unless a prefix was given.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.config/GIMP/2.10" CACHE PATH "Install prefix" FORCE)
endif()

file(GLOB STRANDEL_GIMP_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/framework/*_gimp.cc
  ${CMAKE_SOURCE_DIR}/src/evaluation/*_gimp.cc
  ${CMAKE_SOURCE_DIR}/src/driver/*_gimp.cc)
# The run flow needs the dialog and the registration; it goes with the
# plug-in executable only.
list(FILTER STRANDEL_GIMP_SOURCES EXCLUDE REGEX "strandel_batch_gimp\\.cc$")

add_library(strandel_gimp STATIC ${STRANDEL_GIMP_SOURCES})
target_link_libraries(strandel_gimp PUBLIC strandel_core PkgConfig::GIMPUI Threads::Threads)
# The tile API (GimpDrawable, GimpTile, GimpPixelRgn) is the legacy one of
# GIMP 2.10; it is what this plug-in is built on.
target_compile_definitions(strandel_gimp PUBLIC GIMP_DISABLE_DEPRECATION_WARNINGS)

find_program(GIMP_CONSOLE gimp-console-2.10)

# The plug-in needs the batch dialog (strandel_ui) and the registration of
# the passes and measures in the core.
set(STRANDEL_HAS_REGISTRATION FALSE)
foreach(source ${STRANDEL_CORE_SOURCES})
  file(STRINGS ${source} definition REGEX "^void register_passes\\(\\)")
  if(definition)
    set(STRANDEL_HAS_REGISTRATION TRUE)
  endif()
endforeach()
if(TARGET strandel_ui AND STRANDEL_HAS_REGISTRATION)
  add_executable(strandel-batch
    ${CMAKE_SOURCE_DIR}/src/driver/strandel_batch_main.cc
    ${CMAKE_SOURCE_DIR}/src/driver/strandel_batch_gimp.cc)
  target_link_libraries(strandel-batch PRIVATE strandel_ui strandel_gimp)
  install(TARGETS strandel-batch RUNTIME DESTINATION plug-ins/strandel-batch)
  if(GIMP_CONSOLE)
    add_test(NAME gimp.batch_noninteractive
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/gimp/batch_noninteractive.sh ${GIMP_CONSOLE} $<TARGET_FILE:strandel-batch>)
    set_tests_properties(gimp.batch_noninteractive PROPERTIES TIMEOUT 300)
  endif()
else()
  message(STATUS "strandel-batch not built: it needs the batch dialog and register_passes()")
endif()

# The batch run without a dialog, for scripts and strandel-bench --engine gimp.
add_executable(strandel-benchmark ${CMAKE_SOURCE_DIR}/src/driver/strandel_benchmark_main.cc)
target_link_libraries(strandel-benchmark PRIVATE strandel_gimp)
install(TARGETS strandel-benchmark RUNTIME DESTINATION plug-ins/strandel-benchmark)
if(GIMP_CONSOLE)
  add_test(NAME gimp.benchmark_procedure
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/gimp/benchmark_procedure.sh ${GIMP_CONSOLE}
            $<TARGET_FILE:strandel-benchmark> ${CMAKE_SOURCE_DIR}/samples/benchmark/sample.list)
  set_tests_properties(gimp.benchmark_procedure PROPERTIES TIMEOUT 300)
  # strandel-bench (native.cmake) is defined later, hence the deferral; it
  # finds the plug-in beside itself in the build tree.
  function(strandel_add_bench_engine_test)
    if(TARGET strandel-bench)
      add_test(NAME gimp.bench_engine
        COMMAND bash ${CMAKE_SOURCE_DIR}/tests/gimp/bench_engine.sh $<TARGET_FILE:strandel-bench>
                ${CMAKE_SOURCE_DIR}/samples/benchmark/sample.list)
      set_tests_properties(gimp.bench_engine PROPERTIES TIMEOUT 600)
    endif()
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL strandel_add_bench_engine_test)
endif()

# GoogleTest cases that need GIMP run in a plug-in inside gimp-console,
# with a throw-away profile.
file(GLOB STRANDEL_GIMP_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/gimp/*.cc)
if(STRANDEL_GIMP_TESTS)
  add_executable(strandel-gimp-tests ${STRANDEL_GIMP_TESTS})
  target_link_libraries(strandel-gimp-tests PRIVATE strandel_gimp GTest::gtest)
  if(GIMP_CONSOLE)
    configure_file(${CMAKE_SOURCE_DIR}/tests/gimp/run_in_gimp.sh.in ${CMAKE_BINARY_DIR}/run_in_gimp.sh @ONLY)
    # The progress dialog's cases need a display: a private Xvfb when there
    # is one (they are skipped otherwise).
    find_program(XVFB Xvfb)
    set(STRANDEL_WITH_DISPLAY)
    if(XVFB AND EXISTS ${CMAKE_SOURCE_DIR}/scripts/with-xvfb.sh)
      set(STRANDEL_WITH_DISPLAY bash ${CMAKE_SOURCE_DIR}/scripts/with-xvfb.sh)
    endif()
    add_test(NAME gimp.in_gimp
      COMMAND ${STRANDEL_WITH_DISPLAY} bash ${CMAKE_BINARY_DIR}/run_in_gimp.sh $<TARGET_FILE:strandel-gimp-tests>)
    set_tests_properties(gimp.in_gimp PROPERTIES TIMEOUT 600)
  endif()
endif()
include(${CMAKE_SOURCE_DIR}/cmake/interactive.cmake)
