# The user guide: docs/help/Help.ms typeset by groff into Help.pdf beside the add-in module, where the
# add-in's help button looks for it.
find_program(VANTORA_GROFF groff REQUIRED)
set(VANTORA_HELP_PDF ${CMAKE_BINARY_DIR}/bin/Help.pdf)
add_custom_command(OUTPUT ${VANTORA_HELP_PDF}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
  COMMAND ${VANTORA_GROFF} -k -ms -Tpdf -P-pa4 ${CMAKE_SOURCE_DIR}/docs/help/Help.ms > ${VANTORA_HELP_PDF}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/help/Help.ms
  COMMENT "Typesetting the user guide Help.pdf"
  VERBATIM)
add_custom_target(help_pdf ALL DEPENDS ${VANTORA_HELP_PDF})
