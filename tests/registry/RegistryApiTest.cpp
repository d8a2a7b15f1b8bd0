// The registry calls: types and sizes, errors, handles, enumeration, deletion and the classes view.
#include <algorithm>

#include "registry/RegistryFixture.h"

TEST_F(RegistryTest, StringSizesIncludeTheTerminatorAndShortBuffersGetMoreData)
{
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Vantora");
    ASSERT_EQ(ERROR_SUCCESS, SetString(h, u"Name", u"abc"));
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(h, u"Name", nullptr, &type, nullptr, &size));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(8u, size);

    WCHAR small[2] = {u'x', u'x'};
    size = sizeof(small);
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(h, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(small), &size));
    EXPECT_EQ(8u, size);

    WCHAR buf[8] = {};
    size = sizeof(buf);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(h, u"name", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(std::u16string(u"abc"), std::u16string(buf));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(h, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(buf), nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
}

TEST_F(RegistryTest, EveryTypeKeepsItsBytes)
{
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Types");
    ULONGLONG q = 0x0123456789ABCDEFull;
    const char16_t multi[] = u"one\0two\0";
    const char16_t expand[] = u"%HOME%\\x";
    std::vector<BYTE> bin = {0, 1, 2, 255};
    ASSERT_EQ(ERROR_SUCCESS, SetDword(h, u"d", 0xFFFFFFFF));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, u"q", 0, REG_QWORD, reinterpret_cast<BYTE*>(&q), 8));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, u"m", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof(multi)));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, u"e", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof(expand)));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, u"b", 0, REG_BINARY, bin.data(), DWORD(bin.size())));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, u"empty", 0, REG_BINARY, nullptr, 0));

    DWORD type;
    std::vector<BYTE> data;
    ASSERT_EQ(ERROR_SUCCESS, Query(h, u"q", type, data));
    EXPECT_EQ(DWORD(REG_QWORD), type);
    ASSERT_EQ(8u, data.size());
    EXPECT_EQ(0, memcmp(&q, data.data(), 8));
    ASSERT_EQ(ERROR_SUCCESS, Query(h, u"m", type, data));
    EXPECT_EQ(DWORD(REG_MULTI_SZ), type);
    EXPECT_EQ(sizeof(multi), data.size());
    ASSERT_EQ(ERROR_SUCCESS, Query(h, u"b", type, data));
    EXPECT_EQ(bin, data);
    ASSERT_EQ(ERROR_SUCCESS, Query(h, u"empty", type, data));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_TRUE(data.empty());

    // RegGetValueW checks the type and expands environment strings.
    DWORD d = 0, size = 4;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(h, nullptr, u"d", RRF_RT_REG_DWORD, &type, &d, &size));
    EXPECT_EQ(0xFFFFFFFFu, d);
    size = 4;
    EXPECT_EQ(ERROR_UNSUPPORTED_TYPE, RegGetValueW(h, nullptr, u"b", RRF_RT_REG_DWORD, &type, &d, &size));
    WCHAR text[512];
    size = sizeof(text);
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, u"Software\\Types", u"e", RRF_RT_REG_SZ, &type, text, &size));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(pal::ToWide(getenv("HOME")) + u"\\x", std::u16string(text));
    RegCloseKey(h);
}

TEST_F(RegistryTest, AbsentKeysAndValuesAreFileNotFound)
{
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Nothing", 0, KEY_READ, &h));
    EXPECT_EQ(nullptr, h);
    h = Create(HKEY_CURRENT_USER, u"Software\\Something");
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(h, u"missing", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(h, u"missing"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(h, u"missing"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteTreeW(h, u"missing"));
    RegCloseKey(h);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExW(h, u"x", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExW(HKEY_CURRENT_USER, u"\\Software", 0, KEY_READ, &h));
    std::u16string longName(256, u'k');
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegCreateKeyExW(HKEY_CURRENT_USER, longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
}

TEST_F(RegistryTest, HandlesShareOneStoreAndSeeDeletion)
{
    DWORD disposition = 0;
    HKEY a = nullptr, b = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Shared", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &a, &disposition));
    EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\shared", 0, nullptr, 0, KEY_READ,
                                             nullptr, &b, &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
    EXPECT_NE(a, b);
    ASSERT_EQ(ERROR_SUCCESS, SetDword(a, u"Count", 7));
    EXPECT_EQ(ERROR_ACCESS_DENIED, SetDword(b, u"Count", 8)); // opened for reading only
    DWORD v = 0, size = 4;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(b, u"COUNT", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size));
    EXPECT_EQ(7u, v);

    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\Shared"));
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExW(b, u"Count", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(a));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(b));
}

TEST_F(RegistryTest, SubkeysAreSortedWithoutCaseAndValuesKeepTheirOrder)
{
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Enum");
    for (const char16_t* n : {u"beta", u"Alpha", u"gamma", u"ALPHA2"})
        RegCloseKey(Create(h, n));
    EXPECT_EQ((std::vector<std::u16string>{u"Alpha", u"ALPHA2", u"beta", u"gamma"}), SubkeyNames(h));

    WCHAR small[4];
    DWORD cch = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExW(h, 0, small, &cch, nullptr, nullptr, nullptr, nullptr));

    SetDword(h, u"z", 1);
    SetString(h, u"a", u"text");
    SetDword(h, nullptr, 3);
    // Values are written in the order they were set.
    std::string text = testing_support::ReadFile(UserFile());
    size_t z = text.find("\"z\"=dword:00000001"), a = text.find("\"a\"=\"text\""), def = text.find("@=dword:00000003");
    ASSERT_NE(std::string::npos, def) << text;
    EXPECT_LT(z, a);
    EXPECT_LT(a, def);

    DWORD subkeys = 0, values = 0, maxKey = 0, maxData = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subkeys, &maxKey, nullptr, &values,
                                              nullptr, &maxData, nullptr, nullptr));
    EXPECT_EQ(4u, subkeys);
    EXPECT_EQ(3u, values);
    EXPECT_EQ(6u, maxKey);
    EXPECT_EQ(10u, maxData);
    RegCloseKey(h);
}

TEST_F(RegistryTest, DeleteKeyRefusesSubkeysAndDeleteTreeTakesThemAll)
{
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Tree\\A\\B");
    SetDword(h, u"v", 1);
    RegCloseKey(h);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Tree"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, u""));

    // RegDeleteTreeW without a subkey empties the key but keeps it.
    HKEY tree = Create(HKEY_CURRENT_USER, u"Software\\Tree");
    SetDword(tree, u"top", 1);
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(tree, nullptr));
    EXPECT_TRUE(SubkeyNames(tree).empty());
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(tree, u"top", nullptr, nullptr, nullptr, &size));
    RegCloseKey(tree);

    RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\Tree\\X\\Y"));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, u"Software\\Tree"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Tree", 0, KEY_READ, &h));
    HKEY sw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &sw));
    RegCloseKey(sw);
}

TEST_F(RegistryTest, ClassesRootMergesUserOverMachineAndCanBeRedirected)
{
    HKEY m = Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\Thing");
    SetString(m, nullptr, u"machine");
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Software\\Classes\\Thing\\FromMachine"));
    RegCloseKey(m);

    HKEY cr = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Thing", 0, KEY_READ, &cr));
    EXPECT_EQ(u"machine", GetString(cr, nullptr));
    RegCloseKey(cr);

    HKEY u = Create(HKEY_CURRENT_USER, u"Software\\Classes\\Thing");
    SetString(u, nullptr, u"user");
    RegCloseKey(Create(u, u"FromUser"));
    RegCloseKey(u);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Thing", 0, KEY_ALL_ACCESS, &cr));
    EXPECT_EQ(u"user", GetString(cr, nullptr));
    EXPECT_EQ((std::vector<std::u16string>{u"FromMachine", u"FromUser"}), SubkeyNames(cr));
    RegCloseKey(cr);

    // New keys go to the machine's classes...
    RegCloseKey(Create(HKEY_CLASSES_ROOT, u"NewClass"));
    HKEY check = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Classes\\NewClass", 0, KEY_READ, &check));
    RegCloseKey(check);

    // ...unless HKEY_CLASSES_ROOT is redirected to the user's classes.
    HKEY userClasses = Create(HKEY_CURRENT_USER, u"Software\\Classes");
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses));
    RegCloseKey(userClasses);
    RegCloseKey(Create(HKEY_CLASSES_ROOT, u"PerUser"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CLASSES_ROOT, u"NewClass", 0, KEY_READ, &check));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Classes\\PerUser", 0, KEY_READ, &check));
    RegCloseKey(check);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Classes\\PerUser", 0, KEY_READ, &check));
}

TEST_F(RegistryTest, NamesFoldCaseAsTheWideStringFunctionsDo)
{
    struct Pair {
        const char16_t* created;
        const char16_t* asked;
        bool same;
    };
    const Pair pairs[] = {
        {u"\u00c4rger", u"\u00e4RGER", true},  // Ä, ä
        {u"\u00b5s", u"\u039cS", true},        // micro sign upcases to Greek capital mu
        {u"\u03c2", u"\u03a3", true},          // final sigma
        {u"\u017f", u"s", true},               // long s
        {u"\u01c5", u"\u01c6", true},          // title-case Dz and small dz both upcase to DZ
        {u"\u00ff", u"\u0178", true},          // ÿ and Ÿ, outside Latin-1 on one side
        {u"stra\u00dfe", u"STRASSE", false},   // no one-to-many folding
        {u"\u212a", u"k", false},              // the Kelvin sign keeps its own upper case
        {u"x\xd800", u"X\xd800", true},        // a lone surrogate is its own case
    };
    HKEY parent = Create(HKEY_CURRENT_USER, u"Software\\Fold");
    for (const Pair& p : pairs) {
        EXPECT_EQ(p.same, _wcsicmp(p.created, p.asked) == 0) << pal::ToUtf8(p.created);
        RegCloseKey(Create(parent, p.created));
        HKEY h = nullptr;
        EXPECT_EQ(p.same ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND, RegOpenKeyExW(parent, p.asked, 0, KEY_READ, &h))
            << pal::ToUtf8(p.created);
        if (h)
            RegCloseKey(h);
        // Value names fold the same way.
        ASSERT_EQ(ERROR_SUCCESS, SetDword(parent, p.created, 1));
        DWORD type;
        std::vector<BYTE> data;
        EXPECT_EQ(p.same ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND, Query(parent, p.asked, type, data))
            << pal::ToUtf8(p.created);
    }
    // Creating through the other spelling opens the same key, which keeps its first spelling.
    HKEY h = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(parent, u"\u00e4RGER", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                             &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
    RegCloseKey(h);
    std::vector<std::u16string> names = SubkeyNames(parent);
    EXPECT_EQ(size_t(std::size(pairs)), names.size());
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), u"\u00c4rger"));
    RegCloseKey(parent);
}
