// The layer's component libraries: MSXML (with libxml2 and libcurl) is loaded only when one of its classes is
// created.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <string>
#include <vector>

#include <windows.h>
#include <atlbase.h>
#include <msxml6.h>

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
    EXPECT_EQ(S_OK, CLSIDFromProgID(W("msxml2.xmlhttp.6.0"), &clsid));
    EXPECT_TRUE(clsid == CLSID_XMLHTTP60);
    EXPECT_EQ(S_OK, CLSIDFromProgID(W("Microsoft.XMLDOM"), &clsid));
    EXPECT_TRUE(clsid == CLSID_DOMDocument);
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(W("Msxml2.NoSuchClass"), &clsid));
    IUnknown* none = nullptr;
    const CLSID unknown{};
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&none)));
    EXPECT_EQ(nullptr, none);
    EXPECT_FALSE(IsLoaded("libmsxml6.so"));

    CComPtr<IXMLDOMDocument> document;
    ASSERT_EQ(S_OK, document.CoCreateInstance(W("Msxml2.DOMDocument.6.0")));
    EXPECT_TRUE(IsLoaded("libmsxml6.so"));
    EXPECT_TRUE(IsLoaded("libxml2.so"));
    CComPtr<IXMLDOMElement> element;
    EXPECT_EQ(S_OK, document->createElement(CComBSTR(W("root")), &element));

    // Every class of the library is then served, by its id as by its name.
    CComPtr<IXMLHTTPRequest> request;
    EXPECT_EQ(S_OK, request.CoCreateInstance(CLSID_XMLHTTP60));
    CComPtr<IServerXMLHTTPRequest> server;
    EXPECT_EQ(S_OK, server.CoCreateInstance(W("Msxml2.ServerXMLHTTP.6.0")));
    CComPtr<IXMLDOMDocument> versionIndependent;
    EXPECT_EQ(S_OK, versionIndependent.CoCreateInstance(CLSID_DOMDocument));
}
