// The resource compiler on small scripts: what it stores (read back through the resource functions)
// and how it reports faulty scripts.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "pal/host.h"
#include "support/Command.h"
#include "support/TestPrefix.h"
#include <windows.h>

namespace {

using RunResult = testing_support::CommandResult;

class ResourceCompilerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = testing_support::Prefix() + "/rc-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override
    {
        if (m_registered)
            PalUnregisterModuleResources(Module(), m_image.data());
    }

    void Write(const std::string& name, const std::string& content)
    {
        testing_support::WriteFile(m_dir + "/" + name, content);
    }

    RunResult Compile(const std::string& rcName, const std::string& extra = "")
    {
        std::string command = std::string(VANTORA_BIN_DIR) + "/vrc " + extra + " --image '" + m_dir +
                              "/out.bin' --depfile '" + m_dir + "/out.d' '" + m_dir + "/" + rcName + "' 2>&1";
        return testing_support::RunCommand(command);
    }

    // Compiles and registers the image under a module handle of its own.
    void Load(const std::string& rcName, const std::string& extra = "")
    {
        RunResult r = Compile(rcName, extra);
        ASSERT_EQ(r.status, 0) << r.out;
        m_image = testing_support::ReadFile(m_dir + "/out.bin");
        ASSERT_TRUE(PalRegisterModuleResources(Module(), m_image.data(), DWORD(m_image.size())));
        m_registered = true;
    }

    HMODULE Module() { return reinterpret_cast<HMODULE>(&m_image); }

    std::u16string String(UINT id)
    {
        const WCHAR* text = nullptr;
        int n = LoadStringW(Module(), id, reinterpret_cast<LPWSTR>(&text), 0);
        return n > 0 ? std::u16string(text, size_t(n)) : std::u16string();
    }

    std::string Raw(LPCWSTR type, LPCWSTR name)
    {
        HRSRC found = FindResourceW(Module(), name, type);
        if (!found)
            return "<missing>";
        const char* data = static_cast<const char*>(LockResource(LoadResource(Module(), found)));
        return std::string(data, SizeofResource(Module(), found));
    }

    void ExpectError(const std::string& script, const std::string& where, const std::string& words)
    {
        Write("bad.rc", script);
        RunResult r = Compile("bad.rc");
        EXPECT_EQ(r.status, 1) << script;
        EXPECT_NE(r.out.find("bad.rc:" + where + ": error:"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(words), std::string::npos) << r.out;
    }

    std::string m_dir;
    std::string m_image;
    bool m_registered = false;
};

TEST_F(ResourceCompilerTest, StringEscapesAndExpressions)
{
    Write("ids.h", "// ids\n#pragma once\n#define IDS_BASE 100 /* first */\n#define IDS_NEXT (IDS_BASE + 5)\n"
                   "int ignored_in_a_header;\n");
    Write("app.rc", "#include \"ids.h\"\n"
                    "STRINGTABLE\nBEGIN\n"
                    "  IDS_BASE \"tab\\there\\nline\"\n"
                    "  IDS_NEXT, \"say \"\"hi\"\" and \\\"bye\\\"\"\n"
                    "  IDS_BASE + 1 \"\\x41\\101\\\\ // not a comment\"\n"
                    "  0x70 L\"\\x263A wide\"\n"
                    "  113 \"Gr\xC3\xBC\xC3\x9F\" \"e joined\"\n"
                    "  114 \"\"\n"
                    "END\n");
    Load("app.rc");
    EXPECT_EQ(String(100), u"tab\there\nline");
    EXPECT_EQ(String(105), u"say \"hi\" and \"bye\"");
    EXPECT_EQ(String(101), u"AA\\ // not a comment");
    EXPECT_EQ(String(112), u"\u263A wide");
    EXPECT_EQ(String(113), u"Gr\u00FC\u00DFe joined");
    EXPECT_EQ(String(114), u"");
    EXPECT_EQ(String(102), u"");
}

TEST_F(ResourceCompilerTest, ConditionalsAndLanguages)
{
    Write("app.rc", "#define FEATURE 2\n"
                    "#if defined(FEATURE) && FEATURE > 1\nSTRINGTABLE BEGIN 1 \"on\" END\n"
                    "#else\nSTRINGTABLE BEGIN 1 \"off\" END\n#endif\n"
                    "#ifndef FEATURE\n#error never\n#endif\n"
                    "LANGUAGE 7, 1\nSTRINGTABLE BEGIN 1 \"an\" 2 \"auch\" 40 \"nur deutsch\" END\n");
    Load("app.rc");
    EXPECT_EQ(String(1), u"on"); // en-US comes first
    HRSRC german = FindResourceExW(Module(), RT_STRING, MAKEINTRESOURCEW(1), 0x0407);
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(FindResourceExW(Module(), RT_STRING, MAKEINTRESOURCEW(1), 0x040C), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_LANG_NOT_FOUND));
    // Languages are chosen per block of 16: the en-US block has no string 2, and the German one is not
    // consulted; a block only in German is found.
    EXPECT_EQ(String(2), u"");
    EXPECT_EQ(String(40), u"nur deutsch");
}

TEST_F(ResourceCompilerTest, FileResourcesAreStoredAsOnWindows)
{
    Write("data.bin", std::string("\x00\x01\x02\xFF", 4));
    Write("script.rgs", "HKCR { }\n");
    Write("app.manifest", "<assembly/>");
    // A 1x1 bitmap file: 14-byte file header, then the DIB.
    std::string dib = std::string("\x28\0\0\0\1\0\0\0\1\0\0\0\1\0\x18\0", 16) + std::string(24, '\0') + "\xFF\0\0\0";
    Write("pic.bmp", std::string("BM", 2) + std::string(12, '\0') + dib);
    // An icon file with two images.
    std::string ico("\0\0\1\0\2\0", 6);
    auto entry = [](uint8_t size, uint32_t bytes, uint32_t offset) {
        std::string e(16, '\0');
        e[0] = char(size);
        e[1] = char(size);
        e[4] = 1;
        e[6] = 32;
        for (int i = 0; i < 4; ++i) {
            e[8 + i] = char(bytes >> (8 * i));
            e[12 + i] = char(offset >> (8 * i));
        }
        return e;
    };
    ico += entry(16, 3, 38) + entry(32, 2, 41) + "abc" + "de";
    Write("two.ico", ico);
    Write("app.rc", "#define IDR_X 101\n"
                    "IDR_X REGISTRY \"script.rgs\"\n"
                    "1 TYPELIB \"data.bin\"\n"
                    "2 24 \"app.manifest\"\n"
                    "7 RCDATA DISCARDABLE \"data.bin\"\n"
                    "8 RCDATA BEGIN 0x4241, \"CD\", 1L END\n"
                    "105 BITMAP \"pic.bmp\"\n"
                    "1023 ICON \"two.ico\"\n"
                    "200 DIALOG 0, 0, 100, 50\nCAPTION \"x\"\nBEGIN\n  PUSHBUTTON \"OK\", 1, 5, 5, 20, 10\nEND\n");
    RunResult r = Compile("app.rc");
    EXPECT_NE(r.out.find("app.rc:9: warning: DIALOG 200 skipped"), std::string::npos) << r.out;
    Load("app.rc");
    EXPECT_EQ(Raw(W("REGISTRY"), MAKEINTRESOURCEW(101)), "HKCR { }\n");
    EXPECT_EQ(Raw(W("registry"), W("#101")), "HKCR { }\n"); // names ignore case; "#n" is number n
    EXPECT_EQ(Raw(W("TYPELIB"), MAKEINTRESOURCEW(1)), std::string("\x00\x01\x02\xFF", 4));
    EXPECT_EQ(Raw(RT_MANIFEST, MAKEINTRESOURCEW(2)), "<assembly/>");
    EXPECT_EQ(Raw(RT_RCDATA, MAKEINTRESOURCEW(7)), std::string("\x00\x01\x02\xFF", 4));
    EXPECT_EQ(Raw(RT_RCDATA, MAKEINTRESOURCEW(8)), std::string("ABCD\x01\0\0\0", 8));
    EXPECT_EQ(Raw(RT_BITMAP, MAKEINTRESOURCEW(105)), dib);
    EXPECT_EQ(Raw(RT_DIALOG, MAKEINTRESOURCEW(200)), "<missing>");

    std::string group = Raw(RT_GROUP_ICON, MAKEINTRESOURCEW(1023));
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(group.substr(0, 6), std::string("\0\0\1\0\2\0", 6));
    WORD firstId = WORD(uint8_t(group[6 + 12]) | (uint8_t(group[6 + 13]) << 8));
    WORD secondId = WORD(uint8_t(group[20 + 12]) | (uint8_t(group[20 + 13]) << 8));
    EXPECT_EQ(uint8_t(group[20]), 32);
    EXPECT_EQ(Raw(RT_ICON, MAKEINTRESOURCEW(firstId)), "abc");
    EXPECT_EQ(Raw(RT_ICON, MAKEINTRESOURCEW(secondId)), "de");

    std::string deps = testing_support::ReadFile(m_dir + "/out.d");
    for (const char* name : {"app.rc", "script.rgs", "two.ico", "pic.bmp", "app.manifest"})
        EXPECT_NE(deps.find(name), std::string::npos) << name;
}

// An icon image as icon files hold it: a 32-bit DIB of twice the height (colour rows, then the mask).
std::string IconDib(uint32_t size)
{
    std::string dib(40 + size * size * 4 + size * 4, '\0');
    auto put = [&dib](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            dib[at + size_t(i)] = char(v >> (8 * i));
    };
    put(0, 40, 4);
    put(4, size, 4);
    put(8, size * 2, 4);
    put(12, 1, 2);
    put(14, 32, 2);
    for (size_t i = 40; i < 40 + size * size * 4; i += 4)
        put(i, 0xFF0F6CBDu, 4);
    return dib;
}

// DIALOGEX as DLGTEMPLATEEX: the header with its font, then each control on a four-byte boundary, the
// predefined classes as ordinals, the statements' default styles with NOT taking bits away.
TEST_F(ResourceCompilerTest, DialogExIsTheExtendedTemplate)
{
    Write("app.rc", "#define WS_CHILD 0x40000000L\n#define WS_VISIBLE 0x10000000L\n#define WS_TABSTOP 0x00010000L\n"
                    "#define WS_POPUP 0x80000000L\n#define WS_CAPTION 0x00C00000L\n#define DS_SETFONT 0x40\n"
                    "#define ES_NUMBER 0x2000L\n#define IDI_X 7\n"
                    "300 DIALOGEX 1, 2, 100, 50, 9\n"
                    "STYLE WS_POPUP\nEXSTYLE 0x8\nCAPTION \"Ab\"\nFONT 8, \"MS Shell Dlg\", 400, 0, 0x1\n"
                    "BEGIN\n"
                    "  DEFPUSHBUTTON \"OK\", 1, 5, 6, 20, 10\n"
                    "  EDITTEXT 12, 1, 2, 3, 4, ES_NUMBER | NOT WS_TABSTOP\n"
                    "  CONTROL \"\", 13, \"SysListView32\", 0x1 | NOT WS_VISIBLE, 9, 8, 7, 6, 0x200\n"
                    "  ICON IDI_X, -1, 3, 4, 16, 16\n"
                    "END\n");
    Load("app.rc");
    std::string t = Raw(RT_DIALOG, MAKEINTRESOURCEW(300));
    auto word = [&](size_t at) { return unsigned(uint8_t(t.at(at)) | (uint8_t(t.at(at + 1)) << 8)); };
    auto dword = [&](size_t at) { return word(at) | (word(at + 2) << 16); };
    auto text = [&](size_t& at) {
        std::u16string s;
        for (unsigned c; (c = word(at)) != 0; at += 2)
            s += char16_t(c);
        at += 2;
        return s;
    };
    ASSERT_GE(t.size(), 26u);
    EXPECT_EQ(word(0), 1u);
    EXPECT_EQ(word(2), 0xFFFFu);
    EXPECT_EQ(dword(4), 9u) << "help id";
    EXPECT_EQ(dword(8), 0x8u);
    EXPECT_EQ(dword(12), 0x80000000u | 0x00C00000u | 0x40u) << "CAPTION and FONT add their styles";
    EXPECT_EQ(word(16), 4u);
    EXPECT_EQ(word(18), 1u);
    EXPECT_EQ(word(20), 2u);
    EXPECT_EQ(word(22), 100u);
    EXPECT_EQ(word(24), 50u);
    size_t at = 26;
    EXPECT_EQ(word(at), 0u); // no menu
    EXPECT_EQ(word(at + 2), 0u); // no class
    at += 4;
    EXPECT_EQ(text(at), u"Ab");
    EXPECT_EQ(word(at), 8u);
    EXPECT_EQ(word(at + 2), 400u);
    EXPECT_EQ(uint8_t(t.at(at + 4)), 0);
    EXPECT_EQ(uint8_t(t.at(at + 5)), 1);
    at += 6;
    EXPECT_EQ(text(at), u"MS Shell Dlg");

    struct Item {
        unsigned exStyle, style, id;
        int x, y, cx, cy;
        unsigned classOrdinal;
        std::u16string className, title;
        unsigned titleOrdinal;
    };
    std::vector<Item> items;
    for (int i = 0; i < 4; ++i) {
        at = (at + 3) & ~size_t(3);
        Item item;
        item.exStyle = dword(at + 4);
        item.style = dword(at + 8);
        item.x = int16_t(word(at + 12));
        item.y = int16_t(word(at + 14));
        item.cx = int16_t(word(at + 16));
        item.cy = int16_t(word(at + 18));
        item.id = dword(at + 20);
        at += 24;
        item.classOrdinal = word(at) == 0xFFFF ? word(at + 2) : 0;
        if (item.classOrdinal)
            at += 4;
        else
            item.className = text(at);
        item.titleOrdinal = word(at) == 0xFFFF ? word(at + 2) : 0;
        if (item.titleOrdinal)
            at += 4;
        else
            item.title = text(at);
        EXPECT_EQ(word(at), 0u) << "no creation data";
        at += 2;
        items.push_back(item);
    }
    EXPECT_EQ(at, t.size());
    EXPECT_EQ(items[0].classOrdinal, 0x80u);
    EXPECT_EQ(items[0].title, u"OK");
    EXPECT_EQ(items[0].style, 0x50010001u) << "child, visible, tab stop, default push button";
    EXPECT_EQ(items[0].x, 5);
    EXPECT_EQ(items[0].cy, 10);
    EXPECT_EQ(items[1].classOrdinal, 0x81u);
    EXPECT_EQ(items[1].style, 0x50802000u) << "the border stays, the tab stop goes";
    EXPECT_EQ(items[1].title, u"");
    EXPECT_EQ(items[2].className, u"SysListView32");
    EXPECT_EQ(items[2].style, 0x40000001u);
    EXPECT_EQ(items[2].exStyle, 0x200u);
    EXPECT_EQ(items[2].id, 13u);
    EXPECT_EQ(items[3].classOrdinal, 0x82u);
    EXPECT_EQ(items[3].titleOrdinal, 7u) << "the icon by number";
    EXPECT_EQ(items[3].style, 0x50000003u);
    EXPECT_EQ(items[3].cx, 0) << "an icon control takes its picture's size";
    EXPECT_EQ(items[3].id, 0xFFFFFFFFu);

    ExpectError("1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  SLIDER \"x\", 1, 0, 0, 1, 1\nEND\n", "3", "unknown control");
    ExpectError("1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  LTEXT \"x\", 1, 0, 0\nEND\n", "3", "',' expected");
    ExpectError("1 DIALOGEX 0, 0, 10, 10\nSTYLE WS_NOSUCH\nBEGIN\nEND\n", "2", "undefined symbol");
}

TEST_F(ResourceCompilerTest, IconGroupsNumberTheirImagesAcrossTheScript)
{
    // Many icon writers leave planes and bit count at zero in the file's directory; the group then
    // takes them from each image's header, as Windows' compiler does, or icon lookups cannot match
    // a size and depth.
    std::string small = IconDib(16), large = IconDib(32);
    auto entry = [](uint8_t size, uint16_t bits, size_t bytes, size_t offset) {
        std::string e(16, '\0');
        e[0] = e[1] = char(size);
        e[4] = char(bits ? 1 : 0);
        e[6] = char(bits);
        for (int i = 0; i < 4; ++i) {
            e[8 + i] = char(bytes >> (8 * i));
            e[12 + i] = char(offset >> (8 * i));
        }
        return e;
    };
    Write("zero.ico", std::string("\0\0\1\0\2\0", 6) + entry(16, 0, small.size(), 38) +
                          entry(32, 0, large.size(), 38 + small.size()) + small + large);
    Write("full.ico", std::string("\0\0\1\0\1\0", 6) + entry(16, 32, small.size(), 22) + small);
    Write("app.rc", "1066 ICON \"zero.ico\"\n1067 ICON \"full.ico\"\n");
    Load("app.rc");

    auto word = [](const std::string& s, size_t at) { return unsigned(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8)); };
    auto dword = [&word](const std::string& s, size_t at) { return word(s, at) | (word(s, at + 2) << 16); };
    std::string first = Raw(RT_GROUP_ICON, MAKEINTRESOURCEW(1066));
    ASSERT_EQ(first.size(), 6u + 2 * 14);
    EXPECT_EQ(first.substr(0, 6), std::string("\0\0\1\0\2\0", 6));
    for (unsigned i = 0; i < 2; ++i) {
        size_t e = 6 + i * 14;
        const std::string& image = i == 0 ? small : large;
        EXPECT_EQ(uint8_t(first[e]), i == 0 ? 16 : 32);
        EXPECT_EQ(uint8_t(first[e + 1]), i == 0 ? 16 : 32);
        EXPECT_EQ(word(first, e + 4), 1u) << "planes of image " << i;
        EXPECT_EQ(word(first, e + 6), 32u) << "bit count of image " << i;
        EXPECT_EQ(dword(first, e + 8), image.size());
        EXPECT_EQ(word(first, e + 12), i + 1);
        EXPECT_EQ(Raw(RT_ICON, MAKEINTRESOURCEW(i + 1)), image);
    }
    std::string second = Raw(RT_GROUP_ICON, MAKEINTRESOURCEW(1067));
    ASSERT_EQ(second.size(), 6u + 14);
    EXPECT_EQ(word(second, 6 + 12), 3u);
    EXPECT_EQ(Raw(RT_ICON, MAKEINTRESOURCEW(3)), small);
}

TEST_F(ResourceCompilerTest, VersionInfoAndCommandLineDefines)
{
    Write("app.rc", "1 VERSIONINFO\n FILEVERSION MAJOR, 2, 3, 4\n PRODUCTVERSION 5,6\n FILEFLAGSMASK 0x3fL\n"
                    " FILEOS 0x40004L\n FILETYPE 0x2L\nBEGIN\n"
                    "  BLOCK \"StringFileInfo\"\n  BEGIN\n    BLOCK \"040904E4\"\n    BEGIN\n"
                    "      VALUE \"CompanyName\", \"Vantora\"\n      VALUE \"ProductVersion\", TEXT\n"
                    "      VALUE \"Comments\", \"\"\n    END\n  END\n"
                    "  BLOCK \"VarFileInfo\"\n  BEGIN\n    VALUE \"Translation\", 0x409, 1252\n  END\nEND\n");
    Load("app.rc", "-DMAJOR=9 '-DTEXT=\"9.2.3.4\"'");
    std::string block = Raw(RT_VERSION, MAKEINTRESOURCEW(1));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), W("\\"), reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00090002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030004u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00050006u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, 2u);

    WCHAR* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), W("\\StringFileInfo\\040904e4\\ProductVersion"),
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::u16string(text), u"9.2.3.4");
    EXPECT_EQ(length, 8u); // characters with the terminator
    ASSERT_TRUE(VerQueryValueW(block.data(), W("\\StringFileInfo\\040904E4\\Comments"),
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::u16string(text), u"");
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), W("\\VarFileInfo\\Translation"),
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1252);
}

TEST_F(ResourceCompilerTest, FaultyScriptsNameTheirLine)
{
    ExpectError("STRINGTABLE\nBEGIN\n  1 \"never closed\nEND\n", "3", "unterminated string");
    ExpectError("STRINGTABLE\nBEGIN\n  IDS_NOWHERE \"x\"\nEND\n", "3", "IDS_NOWHERE");
    ExpectError("STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n", "4", "duplicate string id 1");
    ExpectError("STRINGTABLE\nBEGIN\n  1 \"a\"\n", "3", "END expected");
    ExpectError("\n1 REGISTRY \"missing.rgs\"\n", "2", "missing.rgs");
    ExpectError("#include \"missing.h\"\n", "1", "missing.h");
    ExpectError("#ifdef X\n1 RCDATA BEGIN 1 END\n", "1", "#endif");
    ExpectError("#frobnicate\n", "1", "frobnicate");
    ExpectError("1 RCDATA BEGIN 1 END\n1 RCDATA BEGIN 2 END\n", "2", "duplicate resource");
    ExpectError("1 ICON \"bad.rc\"\n", "1", "icon");
    ExpectError("STRINGTABLE\nBEGIN\n  70000 \"too big\"\nEND\n", "3", "16 bits");
    ExpectError("STRINGTABLE\nBEGIN\n  1 / 0 \"x\"\nEND\n", "3", "division by zero");
    ExpectError("/* never closed\n", "1", "unterminated comment");
    ExpectError("1 VERSIONINFO\nBEGIN\n  VALUE \"a\", 1, \"b\"\nEND\n", "3", "mixes");
}

TEST_F(ResourceCompilerTest, UnreadableFilesAreCompileErrors)
{
    // A directory opens like a file and fails only when read; a name too long fails before that.
    ExpectError("\n1 RCDATA \"/\"\n", "2", "'/'");
    ExpectError("1 RCDATA BEGIN 1 END\n#include \"/\"\n", "2", "'/'");
    ExpectError("1 RCDATA \"/" + std::string(5000, 'n') + "\"\n", "1", "nnnn");
    ExpectError("#include \"/" + std::string(5000, 'n') + "\"\n", "1", "nnnn");

    RunResult directory = Compile(".");
    EXPECT_EQ(directory.status, 1);
    EXPECT_NE(directory.out.find("error: cannot read"), std::string::npos) << directory.out;

    // An output path that is a directory cannot be compared with the new output, nor written.
    Write("good.rc", "1 RCDATA BEGIN 1 END\n");
    std::filesystem::create_directories(m_dir + "/out.d");
    RunResult output = Compile("good.rc");
    EXPECT_EQ(output.status, 1);
    EXPECT_NE(output.out.find("out.d: error:"), std::string::npos) << output.out;
}

TEST_F(ResourceCompilerTest, MalformedImagesAreRefused)
{
    std::string junk = "VRS1\x05\0\0\0\x10\0\0\0\xFF\xFF\0\0";
    EXPECT_FALSE(PalRegisterModuleResources(Module(), junk.data(), DWORD(junk.size())));
    EXPECT_FALSE(PalRegisterModuleResources(Module(), "nothing", 7));
    EXPECT_EQ(FindResourceW(Module(), MAKEINTRESOURCEW(1), RT_STRING), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
}

} // namespace
