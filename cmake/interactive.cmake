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
