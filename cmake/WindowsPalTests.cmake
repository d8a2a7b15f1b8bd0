# The platform layer's conformance tables built for Windows: the same sources as the Linux layer's tests in
# tests/pal/<dll>, run against the system's own DLLs (Wine's, under Wine, by tools/windows.sh). The layer's
# own pieces (its registry files, HTTP limits, component loading, the loop, the prefix) stay Linux-only and
# are left out by file.
set(pal_tests ${CMAKE_SOURCE_DIR}/tests/pal)

# GoogleMock, for the matchers of the HTML document tests, from the same Debian sources as GoogleTest.
set(VANTORA_GMOCK_SOURCE_DIR ${VANTORA_GTEST_SOURCE_DIR}/../googlemock CACHE PATH "GoogleMock's sources")
add_library(vantora_gmock STATIC ${VANTORA_GMOCK_SOURCE_DIR}/src/gmock-all.cc)
target_include_directories(vantora_gmock SYSTEM PUBLIC ${VANTORA_GMOCK_SOURCE_DIR}/include)
target_include_directories(vantora_gmock PRIVATE ${VANTORA_GMOCK_SOURCE_DIR})
target_link_libraries(vantora_gmock PUBLIC vantora_gtest)
target_compile_options(vantora_gmock PRIVATE -w)

add_executable(pal_tests
  ${CMAKE_SOURCE_DIR}/tests/support/windows/TestMain.cpp
  # the loopback server (over Windows sockets) and the loop pump of the request tests
  ${CMAKE_SOURCE_DIR}/tests/support/HttpTestUtil.cpp ${CMAKE_SOURCE_DIR}/tests/support/windows/LoopbackServer.cpp
  ${pal_tests}/advapi32/RegistryApiTest.cpp
  ${pal_tests}/kernel32/CodePageTest.cpp ${pal_tests}/kernel32/FileHandleTest.cpp
  ${pal_tests}/kernel32/MessageTest.cpp ${pal_tests}/kernel32/ModuleTest.cpp
  ${pal_tests}/msvcrt/WideTextTest.cpp
  ${pal_tests}/mshtml/HtmlDocumentTest.cpp
  ${pal_tests}/msxml/DomDocumentTest.cpp ${pal_tests}/msxml/XmlHttpTest.cpp
  ${pal_tests}/ntdll/Ipv4StringTest.cpp ${pal_tests}/ntdll/Ipv6StringTest.cpp ${pal_tests}/ntdll/Ipv6FormatTest.cpp
  ${pal_tests}/ole32/ComIdentityTest.cpp ${pal_tests}/ole32/GuidTest.cpp
  ${pal_tests}/oleaut32/BstrTest.cpp ${pal_tests}/oleaut32/SafeArrayTest.cpp
  ${pal_tests}/shlwapi/ParseUrlTest.cpp ${pal_tests}/shlwapi/UrlTest.cpp
  ${pal_tests}/urlmon/CreateUriTest.cpp ${pal_tests}/urlmon/IsValidUrlTest.cpp)
set_target_properties(pal_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# tests/support/windows first: its pal/host.h stands for the Linux layer's test helpers.
target_include_directories(pal_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/windows ${CMAKE_SOURCE_DIR}/tests)
target_link_options(pal_tests PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(pal_tests PRIVATE vantora_addin_archive vantora_gmock vantora_windows_flags ole32 oleaut32
  advapi32 shlwapi urlmon ws2_32 user32 version psapi uuid ntdll)
