// The dialog templates as bytes in the module: the extended template layout, with the same header,
// font and controls (ids, classes, texts, styles, units) whichever resource compiler built it. Built for
// Windows too, where the system's resource compiler makes them.
#include <gtest/gtest.h>

#include <atlbase.h>

#include <string>
#include <vector>

#include "res/resource.h"

namespace {

struct Template {
    DWORD style = 0;
    int cx = 0, cy = 0;
    int points = 0, weight = 0;
    std::wstring face, caption;
    std::vector<std::string> controls; // "id class text style x,y,cx,cy"
};

std::string Ordinal(unsigned n)
{
    char text[16];
    snprintf(text, sizeof text, "#%u", n);
    return text;
}

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

bool ReadTemplate(int id, Template& t)
{
    HMODULE module = _AtlBaseModule.GetResourceInstance();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    if (!found)
        return false;
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    const BYTE* end = base + SizeofResource(module, found);
    const BYTE* p = base;
    bool ok = true;
    auto word = [&]() -> unsigned {
        if (end - p < 2) {
            ok = false;
            return 0;
        }
        unsigned v = unsigned(p[0] | (p[1] << 8));
        p += 2;
        return v;
    };
    auto dword = [&]() { return DWORD(word() | (word() << 16)); };
    auto text = [&]() {
        std::wstring s;
        for (unsigned c; ok && (c = word()) != 0;)
            s += wchar_t(c);
        return s;
    };
    auto nameOrOrdinal = [&]() -> std::string {
        if (end - p >= 2 && p[0] == 0xFF && p[1] == 0xFF) {
            word();
            return Ordinal(word());
        }
        return Narrow(text());
    };
    // A predefined class may be written by name (windres does so in CONTROL statements) or by ordinal.
    auto className = [&]() {
        std::string name = nameOrOrdinal();
        std::string upper;
        for (char c : name)
            upper += char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        const char* predefined[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
        for (int i = 0; i < 6; ++i)
            if (upper == predefined[i])
                return Ordinal(unsigned(0x80 + i));
        return name;
    };
    if (word() != 1 || word() != 0xFFFF)
        return false;
    dword();
    dword();
    t.style = dword();
    unsigned count = word();
    word();
    word();
    t.cx = int(word());
    t.cy = int(word());
    nameOrOrdinal();
    nameOrOrdinal();
    t.caption = text();
    t.points = int(word());
    t.weight = int(word());
    p += 2;
    t.face = text();
    for (unsigned i = 0; i < count && ok; ++i) {
        while ((p - base) % 4)
            ++p;
        dword();
        DWORD exStyle = dword(), style = dword();
        int x = int16_t(word()), y = int16_t(word()), cx = int16_t(word()), cy = int16_t(word());
        DWORD controlId = dword();
        std::string cls = className();
        std::string title = nameOrOrdinal();
        p += word();
        char line[160];
        snprintf(line, sizeof line, "%d %s \"%s\" %08lX %lX %d,%d,%d,%d", int(int16_t(WORD(controlId))), cls.c_str(),
                 title.c_str(), static_cast<unsigned long>(style), static_cast<unsigned long>(exStyle), x, y, cx, cy);
        t.controls.push_back(line);
    }
    return ok && p <= end;
}

TEST(TemplateBytes, EveryTemplateIsExtendedWithTheShellFont)
{
    for (int id : {IDD_INFODLG, IDD_ABOUTDLG, IDD_OPTNSDLG, IDD_ATTACHDLG}) {
        Template t;
        ASSERT_TRUE(ReadTemplate(id, t)) << id;
        EXPECT_EQ(t.style & DS_SHELLFONT, DWORD(DS_SHELLFONT)) << id;
        EXPECT_EQ(t.style & WS_CAPTION, DWORD(WS_CAPTION)) << id;
        EXPECT_EQ(t.points, 8) << id;
        EXPECT_EQ(t.weight, FW_NORMAL) << id;
        EXPECT_EQ(t.face, L"MS Shell Dlg") << id;
    }
    Template about;
    ASSERT_TRUE(ReadTemplate(IDD_ABOUTDLG, about));
    EXPECT_EQ(about.cx, 321);
    EXPECT_EQ(about.cy, 195);
    EXPECT_EQ(about.caption, L"About Vantora");
}

TEST(TemplateBytes, InfoDialogControlsAsCompiled)
{
    Template t;
    ASSERT_TRUE(ReadTemplate(IDD_INFODLG, t));
    // Predefined classes are ordinals (0x80 is a button); the rich edit class is named.
    EXPECT_EQ(t.controls, (std::vector<std::string>{
                              "210 RICHEDIT50W \"\" 50A10844 0 7,7,313,167",
                              "238 #128 \"Map\" 58010000 0 216,181,50,14",
                              "1 #128 \"Close\" 50010001 0 270,181,50,14"}));
}

TEST(TemplateBytes, OptionsAndAboutShorthandsTakeTheirDefaultStyles)
{
    Template t;
    ASSERT_TRUE(ReadTemplate(IDD_OPTNSDLG, t));
    auto find = [&](const char* prefix) {
        for (const std::string& c : t.controls)
            if (c.rfind(prefix, 0) == 0)
                return c;
        return std::string("<missing ") + prefix + ">";
    };
    EXPECT_EQ(find("221 "), "221 #129 \"\" 48810080 0 100,40,80,12") << "EDITTEXT, hidden and disabled";
    EXPECT_EQ(find("1137 "), "1137 #130 \"#1137\" 50000003 0 12,160,0,0") << "ICON by number, its size the picture's";
    EXPECT_EQ(find("219 "), "219 #128 \"Links\" 50010003 0 20,77,100,10") << "AUTOCHECKBOX";
    EXPECT_EQ(find("215 "), "215 #128 \"Show Ribbon Groups\" 50000007 0 12,24,120,70") << "GROUPBOX";
    EXPECT_EQ(find("224 "), "224 #131 \"\" 50A1010B 0 12,38,291,140") << "LISTBOX";
    EXPECT_EQ(find("225 "), "225 #133 \"\" 40210003 0 160,22,143,100") << "COMBOBOX, hidden";
    EXPECT_EQ(find("223 "), "223 #130 \"There are pending requests.\" 50020000 0 28,163,200,8") << "LTEXT";
    EXPECT_EQ(t.controls.size(), 26u);

    Template about;
    ASSERT_TRUE(ReadTemplate(IDD_ABOUTDLG, about));
    ASSERT_FALSE(about.controls.empty());
    EXPECT_EQ(about.controls[0], "245 #130 \"#105\" 5000000E 0 0,0,321,40") << "the banner names its bitmap";
}

} // namespace
