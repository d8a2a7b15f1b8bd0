// File associations from the MIME database and desktop entries: the perceived kind of an extension, its
// type's description, and the application and command that open it, with the buffer rules of the shell.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "objbase.h"
#include "shlwapi.h"
#include "support/TestPrefix.h"
#include "windows.h"

namespace {

const HRESULT kNoAssociation = HRESULT_FROM_WIN32(1155); // ERROR_NO_ASSOCIATION

// Before anything reads the freedesktop folders: a user data and configuration folder of our own with a
// viewer that is the default for PDF, and the untranslated descriptions.
struct AssociationFolders {
    std::filesystem::path root;
    AssociationFolders()
    {
        std::string dir = std::filesystem::temp_directory_path().string() + "/vantora-assoc-XXXXXX";
        if (!mkdtemp(dir.data()))
            std::abort();
        root = dir;
        std::filesystem::create_directories(root / "data/applications");
        std::filesystem::create_directories(root / "config");
        std::ofstream(root / "data/applications/vantora-test-viewer.desktop")
            << "[Desktop Entry]\nType=Application\nName=Vantora Test Viewer\nIcon=viewer\n"
               "Exec=/usr/bin/env vantora-test-viewer %i --caption %c --zoom=100%% %U %d\n"
               "MimeType=application/pdf;\n";
        std::ofstream(root / "config/mimeapps.list")
            << "[Default Applications]\napplication/pdf=vantora-test-viewer.desktop\n";
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("LANGUAGE", "C", 1);
    }
    ~AssociationFolders()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
} g_folders;

// The untranslated description of a MIME type, as its database file has it.
std::u16string Comment(const std::string& type)
{
    std::string xml = testing_support::ReadFile("/usr/share/mime/" + type + ".xml");
    std::smatch m;
    if (!std::regex_search(xml, m, std::regex("<comment>([^<]*)</comment>")))
        return u"";
    std::string ascii = m[1];
    return std::u16string(ascii.begin(), ascii.end());
}

HRESULT Query(ASSOCSTR str, const WCHAR* ext, std::u16string* answer, ASSOCF flags = ASSOCF_NONE)
{
    WCHAR buffer[1000];
    DWORD length = 1000;
    HRESULT hr = AssocQueryStringW(flags, str, ext, nullptr, buffer, &length);
    if (hr == S_OK) {
        EXPECT_EQ(std::char_traits<WCHAR>::length(buffer) + 1, length);
        *answer = buffer;
    }
    return hr;
}

TEST(AssocGetPerceivedType, KindsOfCommonExtensions)
{
    struct Case {
        const WCHAR* ext;
        PERCEIVED type;
        const char16_t* name;
    } cases[] = {
        {u".txt", PERCEIVED_TYPE_TEXT, u"text"},         {u".png", PERCEIVED_TYPE_IMAGE, u"image"},
        {u".PNG", PERCEIVED_TYPE_IMAGE, u"image"},       {u".zip", PERCEIVED_TYPE_COMPRESSED, u"compressed"},
        {u".exe", PERCEIVED_TYPE_APPLICATION, u"application"},
        {u".pdf", PERCEIVED_TYPE_DOCUMENT, u"document"},
        // A ZIP container to the database, but a document to the person who opens it.
        {u".docx", PERCEIVED_TYPE_DOCUMENT, u"document"},
    };
    for (const Case& c : cases) {
        PERCEIVED type = PERCEIVED_TYPE_UNKNOWN;
        PERCEIVEDFLAG flags = 0;
        LPWSTR name = nullptr;
        ASSERT_EQ(S_OK, AssocGetPerceivedType(c.ext, &type, &flags, &name));
        EXPECT_EQ(c.type, type);
        EXPECT_EQ(DWORD(PERCEIVEDFLAG_SOFTCODED), flags);
        ASSERT_NE(nullptr, name);
        EXPECT_EQ(std::u16string(c.name), std::u16string(name));
        CoTaskMemFree(name);
    }
    // The name is optional.
    PERCEIVED type;
    PERCEIVEDFLAG flags;
    EXPECT_EQ(S_OK, AssocGetPerceivedType(u".txt", &type, &flags, nullptr));
}

TEST(AssocGetPerceivedType, UnknownAndBadExtensions)
{
    const WCHAR lone[] = {u'.', 0xD800, u'x', 0};
    for (const WCHAR* ext : {u".vantora-unknown", u".pdf/../x.pdf", u"pdf.", u".", lone}) {
        PERCEIVED type = PERCEIVED_TYPE_TEXT;
        PERCEIVEDFLAG flags = 7;
        LPWSTR name = reinterpret_cast<LPWSTR>(1);
        EXPECT_EQ(kNoAssociation, AssocGetPerceivedType(ext, &type, &flags, &name));
        EXPECT_EQ(PERCEIVED_TYPE_UNSPECIFIED, type);
        EXPECT_EQ(DWORD(PERCEIVEDFLAG_UNDEFINED), flags);
        EXPECT_EQ(nullptr, name);
    }
    PERCEIVED type;
    PERCEIVEDFLAG flags;
    EXPECT_EQ(E_INVALIDARG, AssocGetPerceivedType(nullptr, &type, &flags, nullptr));
    EXPECT_EQ(E_INVALIDARG, AssocGetPerceivedType(u"", &type, &flags, nullptr));
}

TEST(AssocQueryStringW, DocumentNamesAreTheTypesDescriptions)
{
    struct Case {
        const WCHAR* ext;
        const char* type;
    } cases[] = {{u".pdf", "application/pdf"}, {u".txt", "text/plain"}, {u".png", "image/png"},
                 {u".zip", "application/zip"}, {u".exe", "application/x-ms-dos-executable"}};
    for (const Case& c : cases) {
        std::u16string answer;
        EXPECT_EQ(S_OK, Query(ASSOCSTR_FRIENDLYDOCNAME, c.ext, &answer)) << c.type;
        EXPECT_EQ(Comment(c.type), answer) << c.type;
        EXPECT_FALSE(answer.empty());
    }
}

TEST(AssocQueryStringW, DefaultApplicationAndItsCommand)
{
    std::u16string name, command;
    EXPECT_EQ(S_OK, Query(ASSOCSTR_FRIENDLYAPPNAME, u".pdf", &name));
    EXPECT_EQ(u"Vantora Test Viewer", name);
    EXPECT_EQ(S_OK, Query(ASSOCSTR_COMMAND, u".PDF", &command));
    EXPECT_EQ(u"/usr/bin/env vantora-test-viewer --icon viewer --caption Vantora Test Viewer --zoom=100% \"%1\"",
              command);
}

TEST(AssocQueryStringW, UnknownExtensionsAndBadArguments)
{
    std::u16string answer;
    for (ASSOCSTR str : {ASSOCSTR_FRIENDLYDOCNAME, ASSOCSTR_FRIENDLYAPPNAME, ASSOCSTR_COMMAND}) {
        EXPECT_EQ(kNoAssociation, Query(str, u".vantora-unknown", &answer));
        EXPECT_EQ(kNoAssociation, Query(str, u"VantoraAddin.Connect", &answer));
    }
    WCHAR buffer[10];
    DWORD length = 10;
    EXPECT_EQ(E_INVALIDARG, AssocQueryStringW(0, ASSOCSTR_COMMAND, nullptr, nullptr, buffer, &length));
    EXPECT_EQ(E_INVALIDARG, AssocQueryStringW(0, ASSOCSTR_COMMAND, u"", nullptr, buffer, &length));
    EXPECT_EQ(E_INVALIDARG, AssocQueryStringW(0, ASSOCSTR_COMMAND, u".pdf", nullptr, buffer, nullptr));
    EXPECT_EQ(10u, length);
}

TEST(AssocQueryStringW, BufferLengthRules)
{
    std::u16string full = Comment("application/pdf");
    ASSERT_GT(full.size(), 4u);
    const DWORD needed = DWORD(full.size() + 1);

    DWORD length = 0;
    EXPECT_EQ(S_FALSE, AssocQueryStringW(0, ASSOCSTR_FRIENDLYDOCNAME, u".pdf", nullptr, nullptr, &length));
    EXPECT_EQ(needed, length);

    WCHAR buffer[100];
    length = needed;
    EXPECT_EQ(S_OK, AssocQueryStringW(0, ASSOCSTR_FRIENDLYDOCNAME, u".pdf", nullptr, buffer, &length));
    EXPECT_EQ(needed, length);
    EXPECT_EQ(full, std::u16string(buffer));

    // One short: cut to fit, or left alone with ASSOCF_NOTRUNCATE; the size needed either way.
    length = needed - 1;
    EXPECT_EQ(E_POINTER, AssocQueryStringW(0, ASSOCSTR_FRIENDLYDOCNAME, u".pdf", nullptr, buffer, &length));
    EXPECT_EQ(needed, length);
    EXPECT_EQ(full.substr(0, full.size() - 1), std::u16string(buffer));

    std::fill(std::begin(buffer), std::end(buffer), u'#');
    length = 4;
    EXPECT_EQ(E_POINTER,
              AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_FRIENDLYDOCNAME, u".pdf", nullptr, buffer, &length));
    EXPECT_EQ(needed, length);
    EXPECT_EQ(u'#', buffer[0]);

    length = 0;
    EXPECT_EQ(E_POINTER, AssocQueryStringW(0, ASSOCSTR_FRIENDLYDOCNAME, u".pdf", nullptr, buffer, &length));
    EXPECT_EQ(needed, length);
    EXPECT_EQ(u'#', buffer[0]);
}

} // namespace

namespace {

TEST(UrlCreateFromPathW, MappedPathsBecomeEscapedFileUrls)
{
    WCHAR url[300];
    DWORD length = 300;
    EXPECT_EQ(S_OK, UrlCreateFromPathW(u"Z:\\tmp\\a b#c%d\"e<f>\u00e9\\OpenLayers.js", url, &length, URL_ESCAPE_AS_UTF8));
    std::u16string expected = u"file:///tmp/a%20b%23c%25d%22e%3Cf%3E%C3%A9/OpenLayers.js";
    EXPECT_EQ(expected, std::u16string(url));
    EXPECT_EQ(expected.size(), length);

    length = 300;
    EXPECT_EQ(S_FALSE, UrlCreateFromPathW(u"file:///tmp/x.js", url, &length, 0));
    EXPECT_EQ(u"file:///tmp/x.js", std::u16string(url));

    length = 10;
    EXPECT_EQ(E_POINTER, UrlCreateFromPathW(u"Z:\\tmp\\x.js", url, &length, 0));
    EXPECT_EQ(std::u16string(u"file:///tmp/x.js").size() + 1, length);
    EXPECT_EQ(E_INVALIDARG, UrlCreateFromPathW(nullptr, url, &length, 0));
}

} // namespace
