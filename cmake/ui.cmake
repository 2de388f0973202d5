# The dialogs' widget library, and its tests run against a private X server.
file(GLOB STRANDEL_UI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/*.cc)
add_library(strandel_ui STATIC ${STRANDEL_UI_SOURCES})
target_include_directories(strandel_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(strandel_ui PUBLIC strandel_core PkgConfig::GIMPUI)
set_target_properties(strandel_ui PROPERTIES POSITION_INDEPENDENT_CODE ON)

file(GLOB STRANDEL_UI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/ui/*.cc)
list(FILTER STRANDEL_UI_TEST_SOURCES EXCLUDE REGEX "_main\\.cc$")
if(STRANDEL_UI_TEST_SOURCES)
  add_executable(ui_tests ${STRANDEL_UI_TEST_SOURCES})
  target_link_libraries(ui_tests PRIVATE strandel_ui GTest::gtest)
  add_test(NAME ui_tests
           COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/with-xvfb.sh $<TARGET_FILE:ui_tests>)
  set_tests_properties(ui_tests PROPERTIES TIMEOUT 300)
endif()

# Opens the batch dialog with a sample chain and saves a picture of it:
#   scripts/with-xvfb.sh build/batch_dialog_screenshot docs/batch-dialog.png
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/ui/batch_dialog_screenshot_main.cc)
  add_executable(batch_dialog_screenshot
                 ${CMAKE_SOURCE_DIR}/tests/ui/batch_dialog_screenshot_main.cc
                 ${CMAKE_SOURCE_DIR}/tests/ui/ui_test_support.cc
                 ${CMAKE_SOURCE_DIR}/tests/ui/test_passes.cc)
  target_link_libraries(batch_dialog_screenshot PRIVATE strandel_ui GTest::gtest)
endif()
