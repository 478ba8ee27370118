# The editor's intake tests use the executables and icons the intake fixtures build.
if(TARGET intake_commands_test)
  add_dependencies(intake_commands_test intake_fixtures)
endif()
if(TARGET export_dialog_test)
  add_dependencies(export_dialog_test intake_fixtures)
endif()
