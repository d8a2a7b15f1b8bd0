# The add-in's pictures, made at build time from the SVG sources in res/: every res/icons/*.svg becomes
# <dir>/icons/<name>.ico with a 16 and a 32 px image (rsvg-convert, then icotool), and res/banner.svg
# becomes <dir>/banner.bmp, a 24-bit bitmap (rsvg-convert, then netpbm). The resource script names them
# as "icons/<name>.ico" and "banner.bmp", found through <dir> on windres' include path. Both builds use
# this, through Resources.cmake.
function(vantora_add_images dir outputs_var)
  foreach(tool rsvg-convert icotool pngtopam ppmtobmp)
    string(MAKE_C_IDENTIFIER "VANTORA_${tool}" var)
    string(TOUPPER ${var} var)
    find_program(${var} ${tool})
    if(NOT ${var})
      message(FATAL_ERROR "${tool} is needed to build the add-in's icons; tools/install-deps.sh installs it")
    endif()
  endforeach()

  file(GLOB svgs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/icons/*.svg)
  set(outputs "")
  file(MAKE_DIRECTORY ${dir}/icons)
  foreach(svg ${svgs})
    get_filename_component(name ${svg} NAME_WE)
    set(base ${dir}/icons/${name})
    add_custom_command(OUTPUT ${base}.ico
      COMMAND ${VANTORA_RSVG_CONVERT} -w 16 -h 16 -o ${base}-16.png ${svg}
      COMMAND ${VANTORA_RSVG_CONVERT} -w 32 -h 32 -o ${base}-32.png ${svg}
      COMMAND ${VANTORA_ICOTOOL} -c -o ${base}.ico ${base}-16.png ${base}-32.png
      DEPENDS ${svg}
      VERBATIM)
    list(APPEND outputs ${base}.ico)
  endforeach()

  # A temporary file first, so that a failed conversion leaves no bitmap behind for the next build.
  add_custom_command(OUTPUT ${dir}/banner.bmp
    COMMAND ${VANTORA_RSVG_CONVERT} -o ${dir}/banner.png ${CMAKE_SOURCE_DIR}/res/banner.svg
    COMMAND sh -c "\"$0\" -quiet \"$1\" | \"$2\" -quiet -bpp=24 > \"$3.tmp\" && mv \"$3.tmp\" \"$3\""
      ${VANTORA_PNGTOPAM} ${dir}/banner.png ${VANTORA_PPMTOBMP} ${dir}/banner.bmp
    DEPENDS ${CMAKE_SOURCE_DIR}/res/banner.svg
    COMMENT "Drawing the banner bitmap"
    VERBATIM)
  list(APPEND outputs ${dir}/banner.bmp)
  set(${outputs_var} ${outputs} PARENT_SCOPE)
endfunction()
