# The Windows build: VantoraAddin.dll from the add-in folders, our shared headers in sdk/ and the resource
# script compiled by windres, with the type library compiled from its IDL by widl; linked to the system
# DLLs and zlib. No platform layer: on Windows the add-in uses the system's MSXML, urlmon and registry.
set(VANTORA_ADDIN_SOURCES "")
foreach(dir ${VANTORA_ADDIN_DIRS})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND VANTORA_ADDIN_SOURCES ${sources})
endforeach()

# The type library: widl with Wine's IDL files of the system interfaces and its stdole2.tlb.
find_program(WIDL x86_64-w64-mingw32-widl REQUIRED)
set(VANTORA_WINE_IDL_DIR /usr/include/wine/wine/windows CACHE PATH "IDL files of the system interfaces")
set(VANTORA_STDOLE_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Folder of stdole2.tlb")
set(VANTORA_TLB ${CMAKE_BINARY_DIR}/res/VantoraAddin.tlb)
add_custom_command(OUTPUT ${VANTORA_TLB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/res
  COMMAND ${WIDL} -t -I ${VANTORA_WINE_IDL_DIR} -L ${VANTORA_STDOLE_DIR} -o ${VANTORA_TLB}
    ${CMAKE_SOURCE_DIR}/res/VantoraAddin.idl
  DEPENDS ${CMAKE_SOURCE_DIR}/res/VantoraAddin.idl
  COMMENT "Compiling the type library VantoraAddin.tlb"
  VERBATIM)
add_custom_target(vantora_typelib DEPENDS ${VANTORA_TLB})

# How the add-in's sources compile, for the DLL and for the test programmes that use its classes.
add_library(vantora_windows_flags INTERFACE)
target_include_directories(vantora_windows_flags INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/sdk
  ${CMAKE_SOURCE_DIR}/sdk/win)
target_compile_definitions(vantora_windows_flags INTERFACE UNICODE _UNICODE)
# Wide literals: L"" with the Windows SDK (the platform layer defines W for the Linux build).
target_compile_options(vantora_windows_flags INTERFACE "-DW(s)=L##s")

# The sources compile once: the DLL links every object, the tests take what they use from an archive.
add_library(vantora_addin_objects OBJECT ${VANTORA_ADDIN_SOURCES} ${CMAKE_SOURCE_DIR}/sdk/win/comsupp.cpp)
target_link_libraries(vantora_addin_objects PUBLIC vantora_windows_flags)
add_library(VantoraAddin SHARED $<TARGET_OBJECTS:vantora_addin_objects>
  ${CMAKE_SOURCE_DIR}/res/VantoraAddin.rc
  ${CMAKE_SOURCE_DIR}/addin/VantoraAddin.def)
add_dependencies(VantoraAddin vantora_typelib)
include(${CMAKE_CURRENT_LIST_DIR}/Resources.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/Help.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/MapLibrary.cmake)
vantora_resource_inputs(${CMAKE_BINARY_DIR}/res VANTORA_RES_GENERATED)
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/VantoraAddin.rc PROPERTIES OBJECT_DEPENDS "${VANTORA_RES_GENERATED}")
set_target_properties(VantoraAddin PROPERTIES PREFIX "" OUTPUT_NAME VantoraAddin
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_link_libraries(VantoraAddin PRIVATE vantora_windows_flags)
# The same include path as the Linux build's windres (res/CMakeLists.txt).
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} --include-dir=${CMAKE_BINARY_DIR}/res --include-dir=${CMAKE_SOURCE_DIR}/res")
# zlib is linked in too: nothing to ship beside the DLL.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
# The C and C++ runtimes are linked in, so the DLL needs nothing beside it but the system's DLLs.
target_link_options(VantoraAddin PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(VantoraAddin PRIVATE ZLIB::ZLIB ole32 oleaut32 advapi32 shlwapi urlmon ws2_32 version user32 gdi32
  comdlg32 comctl32 shell32 uuid)

# The country database, from the same compiler and data as the Linux build's: the compiler runs here, so
# it is built for this machine in a build of its own.
include(ExternalProject)
ExternalProject_Add(native_tools
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
  BINARY_DIR ${CMAKE_BINARY_DIR}/native-tools
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target geoip_database
  BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/native-tools/bin/GeoCountries.dat
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/bin/GeoCountries.dat
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/native-tools/bin/GeoCountries.dat ${CMAKE_BINARY_DIR}/bin/
  DEPENDS native_tools ${CMAKE_BINARY_DIR}/native-tools/bin/GeoCountries.dat
  COMMENT "Placing the country database beside the DLL"
  VERBATIM)
add_custom_target(geoip_database ALL DEPENDS ${CMAKE_BINARY_DIR}/bin/GeoCountries.dat)

# What Outlook does with the add-in at start-up, run under Wine by tools/windows.sh.
add_executable(outlook_startup ${CMAKE_SOURCE_DIR}/tests/windows/OutlookStartup.cpp)
set_target_properties(outlook_startup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_compile_definitions(outlook_startup PRIVATE UNICODE _UNICODE)
target_link_options(outlook_startup PRIVATE -static)
target_link_libraries(outlook_startup PRIVATE ole32 advapi32 uuid)

# The add-in's unit tests and the platform layer's conformance tables, run under Wine by tools/windows.sh.
include(${CMAKE_CURRENT_LIST_DIR}/WindowsTests.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/WindowsPalTests.cmake)

# The host programme for Windows.
include(${CMAKE_CURRENT_LIST_DIR}/WindowsHost.cmake)
