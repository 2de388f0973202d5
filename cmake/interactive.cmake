# The interactive plug-in (plug-in-strandel): the segmentation dialog with
# its live preview, the result dialog, and its tests.

# The interactive and result dialogs paint and measure through the GIMP
# side; the widget library takes it along.
target_link_libraries(strandel_ui PUBLIC strandel_gimp)

if(TARGET strandel_ui AND STRANDEL_HAS_REGISTRATION)
  add_executable(strandel ${CMAKE_SOURCE_DIR}/src/driver/strandel_main.cc)
  target_link_libraries(strandel PRIVATE strandel_ui strandel_gimp)
  install(TARGETS strandel RUNTIME DESTINATION plug-ins/strandel)
endif()

if(TARGET strandel AND TARGET strandel-gimp-tests AND GIMP_CONSOLE)
  add_test(NAME gimp.strandel_procedure
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/gimp/strandel_procedure.sh ${GIMP_CONSOLE}
                   $<TARGET_FILE:strandel-gimp-tests> $<TARGET_FILE:strandel>)
  set_tests_properties(gimp.strandel_procedure PROPERTIES TIMEOUT 300)
endif()

# One interactive run in a real GIMP with its image window, driven through
# the accessibility bus (dialog, result dialog, Edit > Undo). Pictures of
# both dialogs:
#   tests/ui/gimp_interactive_e2e.sh gimp-2.10 build/strandel /some/dir
find_program(STRANDEL_GIMP gimp-2.10)
find_program(STRANDEL_XDOTOOL xdotool)
find_program(STRANDEL_XWD xwd)
find_program(STRANDEL_DBUS_RUN_SESSION dbus-run-session)
if(TARGET strandel AND STRANDEL_GIMP AND STRANDEL_XDOTOOL AND STRANDEL_XWD AND STRANDEL_DBUS_RUN_SESSION)
  execute_process(COMMAND /usr/bin/python3 -c "import pyatspi"
                  RESULT_VARIABLE no_pyatspi OUTPUT_QUIET ERROR_QUIET)
  if(NOT no_pyatspi)
    add_test(NAME ui.gimp_interactive_e2e
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/ui/gimp_interactive_e2e.sh ${STRANDEL_GIMP}
                     $<TARGET_FILE:strandel>)
    set_tests_properties(ui.gimp_interactive_e2e PROPERTIES TIMEOUT 600)
    if(TARGET strandel-batch)
      set_tests_properties(ui.gimp_interactive_e2e PROPERTIES
                           ENVIRONMENT "STRANDEL_BATCH_PLUGIN=$<TARGET_FILE:strandel-batch>")
    endif()
  endif()
endif()

# The in-GIMP cases drive the interactive dialog too.
if(TARGET strandel-gimp-tests)
  target_link_libraries(strandel-gimp-tests PRIVATE strandel_ui)
endif()
