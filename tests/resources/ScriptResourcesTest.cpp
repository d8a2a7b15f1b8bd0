// The module's resources as windres compiled them from res/VantoraAddin.rc, looked up through the resource
// functions (the system's on Windows, the layer's reader of the .res on Linux): every resource that
// res/resource.h numbers for the code is there, every dialog is an extended template with the shell font
// (the only kind the layer's dialog manager reads) and holds the controls the code names. Built for
// Windows too.
#include <gtest/gtest.h>

#include <atlbase.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "support/TestPrefix.h"

namespace {

HMODULE Self() { return _AtlBaseModule.GetResourceInstance(); }

// The numbered definitions of res/resource.h, by name.
std::map<std::string, unsigned> ResourceIds()
{
    std::map<std::string, unsigned> ids;
    std::istringstream in(testing_support::ReadFile(testing_support::SourcePath("res/resource.h")));
    for (std::string line; std::getline(in, line);) {
        char name[80];
        unsigned value = 0;
        char rest = 0;
        if (std::sscanf(line.c_str(), "#define %79s %u%c", name, &value, &rest) == 2)
            ids[name] = value;
    }
    return ids;
}

bool HasPrefix(const std::string& name, const char* prefix) { return name.rfind(prefix, 0) == 0; }

const BYTE* Resource(LPCWSTR type, unsigned id, DWORD& size)
{
    HRSRC found = FindResourceW(Self(), MAKEINTRESOURCEW(id), type);
    if (!found)
        return nullptr;
    size = SizeofResource(Self(), found);
    return static_cast<const BYTE*>(LockResource(LoadResource(Self(), found)));
}

struct Template {
    bool extended = false;
    DWORD style = 0;
    unsigned points = 0;
    std::wstring face;
    std::set<unsigned> controls;
};

// The header and the control ids of a dialog template; false when it does not hold together.
bool ReadTemplate(const BYTE* base, DWORD size, Template& t)
{
    const BYTE* p = base;
    const BYTE* end = base + size;
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
    auto nameOrOrdinal = [&]() {
        if (end - p >= 2 && p[0] == 0xFF && p[1] == 0xFF) {
            word();
            word();
        } else {
            text();
        }
    };
    t.extended = word() == 1 && word() == 0xFFFF;
    if (!t.extended)
        return false;
    dword(); // help id
    dword(); // extended style
    t.style = dword();
    unsigned count = word();
    for (int i = 0; i < 4; ++i)
        word(); // x, y, cx, cy
    nameOrOrdinal(); // menu
    nameOrOrdinal(); // class
    text();          // caption
    if (t.style & DS_SETFONT) {
        t.points = word();
        word(); // weight
        word(); // italic, character set
        t.face = text();
    }
    for (unsigned i = 0; i < count && ok; ++i) {
        p += (4 - (p - base) % 4) % 4;
        dword(); // help id
        dword(); // extended style
        dword(); // style
        for (int k = 0; k < 4; ++k)
            word();
        t.controls.insert(unsigned(dword()) & 0xFFFF);
        nameOrOrdinal(); // class
        nameOrOrdinal(); // text
        unsigned extra = word();
        if (unsigned(end - p) < extra)
            ok = false;
        else
            p += extra;
    }
    return ok && p <= end;
}

TEST(ScriptResources, EveryNumberedResourceIsThere)
{
    std::map<std::string, unsigned> ids = ResourceIds();
    ASSERT_GT(ids.size(), 200u) << "res/resource.h not read";
    ids.erase("IDI_BUSY_FRAMES"); // a count of frames, not an icon
    size_t checked = 0;
    for (const auto& [name, id] : ids) {
        DWORD size = 0;
        if (HasPrefix(name, "IDS_")) {
            const WCHAR* text = nullptr;
            EXPECT_GT(LoadStringW(Self(), id, reinterpret_cast<LPWSTR>(&text), 0), 0) << name;
        } else if (HasPrefix(name, "IDD_")) {
            EXPECT_NE(Resource(RT_DIALOG, id, size), nullptr) << name;
        } else if (HasPrefix(name, "IDB_")) {
            EXPECT_NE(Resource(RT_BITMAP, id, size), nullptr) << name;
        } else if (HasPrefix(name, "IDR_")) {
            EXPECT_NE(Resource(W("REGISTRY"), id, size), nullptr) << name;
        } else if (HasPrefix(name, "IDI_")) {
            // The group names its images by number: each of them is there too.
            const BYTE* group = Resource(RT_GROUP_ICON, id, size);
            ASSERT_NE(group, nullptr) << name;
            ASSERT_GE(size, 6u) << name;
            unsigned images = unsigned(group[4] | (group[5] << 8));
            ASSERT_EQ(size, 6u + 14 * images) << name;
            EXPECT_GE(images, 2u) << name << ": 16 and 32 pixels";
            for (unsigned i = 0; i < images; ++i) {
                const BYTE* e = group + 6 + 14 * i;
                DWORD imageSize = 0;
                EXPECT_NE(Resource(RT_ICON, unsigned(e[12] | (e[13] << 8)), imageSize), nullptr) << name << " " << i;
            }
        } else {
            continue;
        }
        ++checked;
    }
    EXPECT_GT(checked, 200u);
    DWORD size = 0;
    EXPECT_NE(Resource(RT_VERSION, VS_VERSION_INFO, size), nullptr);
    EXPECT_NE(Resource(W("TYPELIB"), 1, size), nullptr);
}

TEST(ScriptResources, DialogsAreExtendedTemplatesWithTheControlsTheCodeNames)
{
    std::map<std::string, unsigned> ids = ResourceIds();
    std::set<unsigned> placed;
    size_t dialogs = 0;
    for (const auto& [name, id] : ids) {
        if (!HasPrefix(name, "IDD_"))
            continue;
        ++dialogs;
        DWORD size = 0;
        const BYTE* data = Resource(RT_DIALOG, id, size);
        ASSERT_NE(data, nullptr) << name;
        Template t;
        EXPECT_TRUE(ReadTemplate(data, size, t)) << name;
        EXPECT_TRUE(t.extended) << name;
        EXPECT_EQ(t.style & DS_SHELLFONT, DWORD(DS_SHELLFONT)) << name;
        EXPECT_EQ(t.points, 8u) << name;
        EXPECT_EQ(t.face, L"MS Shell Dlg") << name;
        EXPECT_FALSE(t.controls.empty()) << name;
        placed.insert(t.controls.begin(), t.controls.end());
    }
    EXPECT_EQ(dialogs, 4u);
    for (const auto& [name, id] : ids) {
        for (const char* prefix : {"IDC_", "IDE_", "IDLC_", "IDLB_", "IDCB_", "IDUD_"}) {
            if (HasPrefix(name, prefix)) {
                EXPECT_EQ(placed.count(id), 1u) << name << " is in no dialog";
            }
        }
    }
}

} // namespace
