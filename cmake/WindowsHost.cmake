# vantora.exe: the host's Outlook built for Windows from the same sources, run under Wine by tools/windows.sh.
# It reads message snapshots that the Linux vantora writes (the message readers stay Linux-only) and drives
# the DLL through the system's own COM, loop, timers, MSXML and GDI. The MAPI allocator is the module
# OLMAPI32.dll beside it, where the add-in looks for MAPIFreeBuffer as it does in Outlook.
add_library(OLMAPI32 SHARED ${CMAKE_SOURCE_DIR}/host/store/MapiBuffers.cpp)
target_compile_definitions(OLMAPI32 PRIVATE VANTORA_MAPI_BUILD)
target_link_libraries(OLMAPI32 PRIVATE vantora_windows_flags)
target_link_options(OLMAPI32 PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(OLMAPI32 PROPERTIES PREFIX "" OUTPUT_NAME OLMAPI32 RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The layer's COM object base is plain C++ over the Windows types: the host's objects use it in both builds.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host-include/pal)
configure_file(${CMAKE_SOURCE_DIR}/pal/include/pal/com_object.h ${CMAKE_BINARY_DIR}/host-include/pal/com_object.h COPYONLY)

set(VANTORA_WINDOWS_HOST_SOURCES
  host/windows/Main.cpp host/windows/ModalDialogCloser.cpp host/windows/CodePages.cpp host/ShowCommand.cpp host/AddinLoader.cpp host/HResultText.cpp
  host/store/Message.cpp host/store/MapiMessage.cpp host/store/MailItem.cpp host/store/Folders.cpp
  host/store/Text.cpp host/store/LoadMessage.cpp host/store/Snapshot.cpp host/windows/Drafts.cpp
  host/ribbon/RibbonHost.cpp host/ribbon/RibbonModel.cpp host/ribbon/CustomUIXmlMsxml.cpp host/ribbon/ShowSession.cpp
  host/ribbon/RibbonJson.cpp host/ribbon/RibbonText.cpp host/ribbon/PicturePixels.cpp
  host/text/Json.cpp host/text/Utf.cpp host/ui/Loop.cpp)
list(TRANSFORM VANTORA_WINDOWS_HOST_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
add_executable(vantora_windows_host ${VANTORA_WINDOWS_HOST_SOURCES})
target_include_directories(vantora_windows_host PRIVATE ${CMAKE_BINARY_DIR}/host-include)
target_link_libraries(vantora_windows_host PRIVATE vantora_windows_flags OLMAPI32 ZLIB::ZLIB ole32 oleaut32 uuid
  user32 gdi32 advapi32 shlwapi)
target_link_options(vantora_windows_host PRIVATE -municode -static -static-libgcc -static-libstdc++)
set_target_properties(vantora_windows_host PROPERTIES OUTPUT_NAME vantora RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
