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
