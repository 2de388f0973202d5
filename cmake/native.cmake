# The native engine and strandel-bench: images decoded in-process with GEGL.
# Included by the top-level CMakeLists.txt when pkg-config finds gegl-0.4.

file(GLOB STRANDEL_GEGL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/driver/*_gegl.cc)
add_library(strandel_native STATIC ${STRANDEL_GEGL_SOURCES})
target_link_libraries(strandel_native PUBLIC strandel_core PkgConfig::GEGL)

add_executable(strandel-bench ${CMAKE_SOURCE_DIR}/src/driver/strandel_bench_main.cc)
target_link_libraries(strandel-bench PRIVATE strandel_native)
install(TARGETS strandel-bench RUNTIME DESTINATION bin)

# The runner from outside, on images the test writes itself.
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_FOUND)
  file(GLOB STRANDEL_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.sh)
  foreach(script ${STRANDEL_NATIVE_TESTS})
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
