# The add-in's unit tests that need no host, built for Windows from the same test sources as on Linux and
# run under Wine by tools/windows.sh. Tests of the host and of loopback HTTP servers stay Linux-only, and the
# platform layer's conformance tables have a programme of their own (WindowsPalTests.cmake).

# GoogleTest from Debian's sources (package googletest), compiled once.
set(VANTORA_GTEST_SOURCE_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest's sources")
add_library(vantora_gtest STATIC ${VANTORA_GTEST_SOURCE_DIR}/src/gtest-all.cc)
target_include_directories(vantora_gtest SYSTEM PUBLIC ${VANTORA_GTEST_SOURCE_DIR}/include)
target_include_directories(vantora_gtest PRIVATE ${VANTORA_GTEST_SOURCE_DIR})
target_compile_options(vantora_gtest PRIVATE -w)

# The add-in's objects as an archive: a test programme links only what its tests use.
add_library(vantora_addin_archive STATIC $<TARGET_OBJECTS:vantora_addin_objects>)

set(tests ${CMAKE_SOURCE_DIR}/tests)
set(VANTORA_WINDOWS_TEST_SOURCES
  ${tests}/support/windows/TestMain.cpp
  # addresses
  ${tests}/addresses/CorpusAddressTest.cpp ${tests}/addresses/IPURLTest.cpp ${tests}/addresses/IPV4Test.cpp
  ${tests}/addresses/IPV6Test.cpp ${tests}/addresses/ReservedRangesTest.cpp
  # file type recognition on the fixtures and the corpus
  ${tests}/signatures/ArchiveTests.cpp ${tests}/signatures/CorpusTests.cpp ${tests}/signatures/ExecutableTests.cpp
  ${tests}/signatures/HostileTests.cpp ${tests}/signatures/ImageTextTests.cpp
  ${tests}/signatures/SignatureCoreTests.cpp
  # settings formats in the system's registry
  ${tests}/settings/RegistryStoreTest.cpp ${tests}/settings/SettingsFormatTest.cpp
  ${tests}/settings/SettingsRecordTest.cpp
  # the ribbon's controls and its customUI document
  ${tests}/controls/ControlTests.cpp ${tests}/controls/RibbonBuilderTests.cpp
  ${tests}/ribbon/OutlookRibbonTextTests.cpp
  # ATL's dialog class and message map over the system's headers; the module's resources as windres
  # compiles them, through the system's resource functions
  ${tests}/dialogs/MessageMapTest.cpp ${tests}/resources/ScriptResourcesTest.cpp
  # the Outlook and Office interfaces' vtable slots, dispatch ids and ids, as mingw-w64 lays them out
  ${tests}/outlook/DeclarationTest.cpp)

add_executable(addin_tests ${VANTORA_WINDOWS_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/res/VantoraAddin.rc)
add_dependencies(addin_tests vantora_typelib)
set_target_properties(addin_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# tests/support/windows first: its pal/host.h stands for the Linux layer's test helpers.
target_include_directories(addin_tests PRIVATE ${tests}/support/windows ${tests})
target_link_options(addin_tests PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(addin_tests PRIVATE vantora_addin_archive vantora_gtest vantora_windows_flags ZLIB::ZLIB
  ole32 oleaut32 advapi32 shlwapi urlmon ws2_32 version user32 gdi32 comdlg32 comctl32 shell32 uuid ntdll)
