# The native engine and strandel-bench: images decoded in-process with GEGL.
# Included by the top-level CMakeLists.txt when pkg-config finds gegl-0.4.

file(GLOB STRANDEL_GEGL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/driver/*_gegl.cc)
add_library(strandel_native STATIC ${STRANDEL_GEGL_SOURCES})
target_link_libraries(strandel_native PUBLIC strandel_core PkgConfig::GEGL)

add_executable(strandel-bench ${CMAKE_SOURCE_DIR}/src/driver/strandel_bench_main.cc)
target_link_libraries(strandel-bench PRIVATE strandel_native)
install(TARGETS strandel-bench RUNTIME DESTINATION bin)

# The engine's reader and the runner from outside, on images written by a
# script (only Python's standard library is needed).
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_FOUND)
  set(STRANDEL_NATIVE_IMAGES ${CMAKE_BINARY_DIR}/native_test_images)
  add_test(NAME native.images
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/native/make_test_images.py ${STRANDEL_NATIVE_IMAGES})
  set_tests_properties(native.images PROPERTIES FIXTURES_SETUP native_images)

  add_executable(native_tests ${CMAKE_SOURCE_DIR}/tests/native/native_image_gegl_test.cc)
  target_link_libraries(native_tests PRIVATE strandel_native GTest::gtest)
  add_test(NAME native.reader COMMAND native_tests ${STRANDEL_NATIVE_IMAGES})
  set_tests_properties(native.reader PROPERTIES FIXTURES_REQUIRED native_images)

  file(GLOB STRANDEL_NATIVE_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.sh)
  foreach(script ${STRANDEL_NATIVE_SCRIPTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME native.${name}
             COMMAND bash ${script} $<TARGET_FILE:strandel-bench> ${Python3_EXECUTABLE}
                     ${CMAKE_SOURCE_DIR}/tests/native/make_test_images.py)
  endforeach()
endif()

# The native engine against the cost of decoding alone.
if(benchmark_FOUND AND EXISTS ${CMAKE_SOURCE_DIR}/bench/native/native_engine_bench_gegl.cc)
  add_executable(native_benchmarks ${CMAKE_SOURCE_DIR}/bench/native/native_engine_bench_gegl.cc)
  target_link_libraries(native_benchmarks PRIVATE strandel_native benchmark::benchmark benchmark::benchmark_main)
endif()
