# What windres reads besides res/ itself, made the same way in both builds so that their resources are the
# same: the pictures (Images.cmake) and VantoraVersion.h, the project's version, both in <dir>. The
# resource script finds them with <dir> and res/ on windres' include path (--include-dir).
include(${CMAKE_CURRENT_LIST_DIR}/Images.cmake)

function(vantora_resource_inputs dir outputs_var)
  vantora_add_images(${dir} images)
  # Through a copy, so that an unchanged version keeps the header's time and nothing is compiled again.
  file(WRITE ${dir}/VantoraVersion.h.in
    "#define VANTORA_VERSION_MAJOR ${PROJECT_VERSION_MAJOR}\n#define VANTORA_VERSION_MINOR ${PROJECT_VERSION_MINOR}\n"
    "#define VANTORA_VERSION_PATCH ${PROJECT_VERSION_PATCH}\n#define VANTORA_VERSION_TWEAK ${VANTORA_VERSION_TWEAK}\n"
    "#define VANTORA_VERSION_TEXT \"${VANTORA_VERSION_TEXT}\"\n")
  configure_file(${dir}/VantoraVersion.h.in ${dir}/VantoraVersion.h COPYONLY)
  set(${outputs_var} ${images} ${dir}/VantoraVersion.h PARENT_SCOPE)
endfunction()
