# strandel-report: the page (or text summary) that compares the chains of
# strandel-bench results tables. Needs neither GIMP nor GEGL; libpng decodes
# and encodes the thumbnails.
find_package(PNG REQUIRED)

set(STRANDEL_REPORT_PAGE_SOURCES
  src/report_page/atomic_file.cc
  src/report_page/axis_ticks.cc
  src/report_page/base64.cc
  src/report_page/box_plot.cc
  src/report_page/chain_colors.cc
  src/report_page/comparison.cc
  src/report_page/csv.cc
  src/report_page/html_escape.cc
  src/report_page/html_page.cc
  src/report_page/image_table.cc
  src/report_page/lowest_jaccard.cc
  src/report_page/measures.cc
  src/report_page/number_format.cc
  src/report_page/page_assets.cc
  src/report_page/page_parts.cc
  src/report_page/page_thumbnails.cc
  src/report_page/png_read.cc
  src/report_page/png_write.cc
  src/report_page/ranks.cc
  src/report_page/report_command.cc
  src/report_page/report_options.cc
  src/report_page/results_table.cc
  src/report_page/statistics.cc
  src/report_page/text_summary.cc
  src/report_page/thumbnails.cc
  # The interactive procedure's class palette, so label images are painted
  # in the colours the plug-in paints classes in.
  src/evaluation/class_colors.cc)
list(TRANSFORM STRANDEL_REPORT_PAGE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
add_library(strandel_report_page STATIC ${STRANDEL_REPORT_PAGE_SOURCES})
target_include_directories(strandel_report_page PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(strandel_report_page PUBLIC PNG::PNG Threads::Threads)

add_executable(strandel-report ${CMAKE_SOURCE_DIR}/src/tools/strandel_report_main.cc)
target_link_libraries(strandel-report PRIVATE strandel_report_page)
install(TARGETS strandel-report RUNTIME DESTINATION bin)

# Tests: GoogleTest cases of the library, and the page in a real browser.
add_executable(report_page_tests
  ${CMAKE_SOURCE_DIR}/tests/report_page/page_test.cc
  ${CMAKE_SOURCE_DIR}/tests/report_page/results_table_test.cc
  ${CMAKE_SOURCE_DIR}/tests/report_page/statistics_test.cc)
target_link_libraries(report_page_tests PRIVATE strandel_report_page GTest::gtest_main)
gtest_discover_tests(report_page_tests DISCOVERY_TIMEOUT 60)

add_test(NAME report_page.cli
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/report_page/report_cli.sh $<TARGET_FILE:strandel-report>)

# Debian's python3-selenium serves the system interpreter only, so the
# browser test runs with /usr/bin/python3 when it is there. It skips (77)
# when Chromium is not installed.
find_program(STRANDEL_SYSTEM_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT STRANDEL_SYSTEM_PYTHON3)
  find_package(Python3 COMPONENTS Interpreter QUIET)
  set(STRANDEL_SYSTEM_PYTHON3 ${Python3_EXECUTABLE})
endif()
if(STRANDEL_SYSTEM_PYTHON3)
  add_test(NAME report_page.browser
           COMMAND ${STRANDEL_SYSTEM_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/report_page/report_page_browser.py
                   $<TARGET_FILE:strandel-report> ${CMAKE_SOURCE_DIR}/tests/report_page/make_report_data.py)
  set_tests_properties(report_page.browser PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
