// The layer's component libraries and the module list: MSXML (with libxml2 and libcurl) is loaded only when
// one of its classes is created, and every loaded object is reported with the base and path the dynamic
// linker knows it by.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>
#include <atlbase.h>
#include <msxml6.h>
#include <psapi.h>

#include "pal/host.h"

namespace {

bool IsLoaded(const std::string& stem)
{
    struct Search {
        std::string stem;
        bool found = false;
    } search{"/" + stem};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            if (info->dlpi_name && std::string(info->dlpi_name).find(s->stem) != std::string::npos)
                s->found = true;
            return 0;
        },
        &search);
    return search.found;
}

} // namespace

TEST(Components, MsxmlIsLoadedWhenOneOfItsClassesIsFirstCreated)
{
    // The layer alone does not bring in the XML and HTTP libraries.
    ASSERT_FALSE(IsLoaded("libmsxml6.so"));
    EXPECT_FALSE(IsLoaded("libxml2.so"));
    EXPECT_FALSE(IsLoaded("libcurl"));

    // Class names are known without loading the library, as the registry knows them.
    CLSID clsid{};
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"msxml2.xmlhttp.6.0", &clsid));
    EXPECT_TRUE(clsid == CLSID_XMLHTTP60);
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"Microsoft.XMLDOM", &clsid));
    EXPECT_TRUE(clsid == CLSID_DOMDocument);
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(u"Msxml2.NoSuchClass", &clsid));
    IUnknown* none = nullptr;
    const CLSID unknown{};
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&none)));
    EXPECT_EQ(nullptr, none);
    EXPECT_FALSE(IsLoaded("libmsxml6.so"));

    CComPtr<IXMLDOMDocument> document;
    ASSERT_EQ(S_OK, document.CoCreateInstance(u"Msxml2.DOMDocument.6.0"));
    EXPECT_TRUE(IsLoaded("libmsxml6.so"));
    EXPECT_TRUE(IsLoaded("libxml2.so"));
    CComPtr<IXMLDOMElement> element;
    EXPECT_EQ(S_OK, document->createElement(CComBSTR(u"root"), &element));

    // Every class of the library is then served, by its id as by its name.
    CComPtr<IXMLHTTPRequest> request;
    EXPECT_EQ(S_OK, request.CoCreateInstance(CLSID_XMLHTTP60));
    CComPtr<IServerXMLHTTPRequest> server;
    EXPECT_EQ(S_OK, server.CoCreateInstance(u"Msxml2.ServerXMLHTTP.6.0"));
    CComPtr<IXMLDOMDocument> versionIndependent;
    EXPECT_EQ(S_OK, versionIndependent.CoCreateInstance(CLSID_DOMDocument));
}

TEST(Modules, EveryObjectHasTheBaseAndPathOfTheDynamicLinker)
{
    struct Object {
        HMODULE base;
        std::string name;
    };
    std::vector<Object> expected;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            Dl_info di{};
            if (info->dlpi_phnum && dladdr(info->dlpi_phdr, &di) && di.dli_fbase)
                static_cast<std::vector<Object>*>(data)->push_back(
                    {static_cast<HMODULE>(di.dli_fbase), info->dlpi_name ? info->dlpi_name : ""});
            return 0;
        },
        &expected);
    ASSERT_GT(expected.size(), 3u);

    HMODULE modules[512];
    DWORD needed = 0;
    ASSERT_TRUE(EnumProcessModules(GetCurrentProcess(), modules, sizeof(modules), &needed));
    ASSERT_EQ(expected.size(), needed / sizeof(HMODULE));
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(expected[k].base, modules[k]) << expected[k].name;
        WCHAR path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(modules[k], path, MAX_PATH), 0u) << expected[k].name;
        // The path is the real one: compare file names, which a symbolic link may change only in its folder.
        std::string name = expected[k].name;
        std::string got = pal::ToUtf8(path);
        if (!name.empty() && name.find('/') != std::string::npos && name.find("vdso") == std::string::npos) {
            char real[PATH_MAX];
            ASSERT_TRUE(realpath(name.c_str(), real)) << name;
            EXPECT_EQ(pal::ToUtf8(pal::ToWindowsPath(real).c_str()), got);
        }
    }
    // The main program and this layer are found by their handles.
    EXPECT_EQ(modules[0], GetModuleHandleW(nullptr));
    HMODULE own = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                   reinterpret_cast<LPCWSTR>(&CoCreateInstance), &own));
    WCHAR path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(own, path, MAX_PATH), 0u);
    EXPECT_NE(std::string::npos, pal::ToUtf8(path).find("libpal.so"));
}
