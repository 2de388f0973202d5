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

# The whole interactive run in a real GIMP, driven through the accessibility
# bus. The plug-in target is defined later (gimp.cmake), hence the deferral.
function(strandel_add_gimp_batch_e2e_test)
  find_program(STRANDEL_GIMP gimp-2.10)
  find_program(STRANDEL_XDOTOOL xdotool)
  find_program(STRANDEL_DBUS_RUN_SESSION dbus-run-session)
  if(TARGET strandel-batch AND STRANDEL_GIMP AND STRANDEL_XDOTOOL AND STRANDEL_DBUS_RUN_SESSION)
    execute_process(COMMAND /usr/bin/python3 -c "import pyatspi"
                    RESULT_VARIABLE no_pyatspi OUTPUT_QUIET ERROR_QUIET)
    if(NOT no_pyatspi)
      add_test(NAME ui.gimp_batch_e2e
               COMMAND bash ${CMAKE_SOURCE_DIR}/tests/ui/gimp_batch_e2e.sh ${STRANDEL_GIMP}
                       $<TARGET_FILE:strandel-batch>)
      set_tests_properties(ui.gimp_batch_e2e PROPERTIES TIMEOUT 600)
    endif()
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL strandel_add_gimp_batch_e2e_test)
