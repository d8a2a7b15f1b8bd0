# The map page's script library: OpenLayers 2 from Debian's libjs-openlayers, copied with its img/ and
# theme/ folders and its licence (BSD-2-Clause, in copyright) into openlayers/ beside the add-in module,
# where the page loads it from. Only the map tiles come from the web.
set(VANTORA_OPENLAYERS_SCRIPT /usr/share/javascript/openlayers/OpenLayers.js)
set(VANTORA_OPENLAYERS_DATA /usr/share/openlayers)
set(VANTORA_OPENLAYERS_LICENCE /usr/share/doc/libjs-openlayers/copyright)
if(NOT EXISTS ${VANTORA_OPENLAYERS_SCRIPT} OR NOT EXISTS ${VANTORA_OPENLAYERS_DATA}/img)
  message(FATAL_ERROR "OpenLayers 2 is missing: tools/install-deps.sh installs libjs-openlayers")
endif()
set(VANTORA_OPENLAYERS_DIR ${CMAKE_BINARY_DIR}/bin/openlayers)
file(GLOB_RECURSE VANTORA_OPENLAYERS_FILES CONFIGURE_DEPENDS ${VANTORA_OPENLAYERS_DATA}/*)
add_custom_command(OUTPUT ${VANTORA_OPENLAYERS_DIR}/OpenLayers.js ${VANTORA_OPENLAYERS_DIR}/copyright
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VANTORA_OPENLAYERS_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTORA_OPENLAYERS_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${VANTORA_OPENLAYERS_DATA}/img ${VANTORA_OPENLAYERS_DIR}/img
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${VANTORA_OPENLAYERS_DATA}/theme ${VANTORA_OPENLAYERS_DIR}/theme
  COMMAND ${CMAKE_COMMAND} -E copy ${VANTORA_OPENLAYERS_LICENCE} ${VANTORA_OPENLAYERS_DIR}/copyright
  COMMAND ${CMAKE_COMMAND} -E copy ${VANTORA_OPENLAYERS_SCRIPT} ${VANTORA_OPENLAYERS_DIR}/OpenLayers.js
  DEPENDS ${VANTORA_OPENLAYERS_SCRIPT} ${VANTORA_OPENLAYERS_LICENCE} ${VANTORA_OPENLAYERS_FILES}
  COMMENT "Installing the map script library beside the module"
  VERBATIM)
add_custom_target(map_library ALL DEPENDS ${VANTORA_OPENLAYERS_DIR}/OpenLayers.js ${VANTORA_OPENLAYERS_DIR}/copyright)
