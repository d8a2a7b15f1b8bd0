// The registry calls: types and sizes, errors, handles, enumeration, deletion and the classes view.
#include <algorithm>

#include "RegistryFixture.h"
#include "support/Wine.h"

TEST_F(RegistryTest, StringSizesIncludeTheTerminatorAndShortBuffersGetMoreData)
{
    HKEY h = Create(HKEY_CURRENT_USER, W("Software\\Vantora"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(h, W("Name"), W("abc")));
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(h, W("Name"), nullptr, &type, nullptr, &size));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(8u, size);

    WCHAR small[2] = {W('x'), W('x')};
    size = sizeof(small);
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(h, W("Name"), nullptr, &type, reinterpret_cast<BYTE*>(small), &size));
    EXPECT_EQ(8u, size);

    WCHAR buf[8] = {};
    size = sizeof(buf);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(h, W("name"), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(WString(W("abc")), WString(buf));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(h, W("Name"), nullptr, &type, reinterpret_cast<BYTE*>(buf), nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
}

TEST_F(RegistryTest, EveryTypeKeepsItsBytes)
{
    HKEY h = Create(HKEY_CURRENT_USER, W("Software\\Types"));
    ULONGLONG q = 0x0123456789ABCDEFull;
    const WCHAR multi[] = W("one\0two\0");
    SetVariable("VANTORA_REGISTRY_TEST", "expanded");
    const WCHAR expand[] = W("%VANTORA_REGISTRY_TEST%\\x");
    std::vector<BYTE> bin = {0, 1, 2, 255};
    ASSERT_EQ(ERROR_SUCCESS, SetDword(h, W("d"), 0xFFFFFFFF));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, W("q"), 0, REG_QWORD, reinterpret_cast<BYTE*>(&q), 8));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, W("m"), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof(multi)));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, W("e"), 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof(expand)));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, W("b"), 0, REG_BINARY, bin.data(), DWORD(bin.size())));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, W("empty"), 0, REG_BINARY, nullptr, 0));

    DWORD type;
    std::vector<BYTE> data;
    ASSERT_EQ(ERROR_SUCCESS, Query(h, W("q"), type, data));
    EXPECT_EQ(DWORD(REG_QWORD), type);
    ASSERT_EQ(8u, data.size());
    EXPECT_EQ(0, memcmp(&q, data.data(), 8));
    ASSERT_EQ(ERROR_SUCCESS, Query(h, W("m"), type, data));
    EXPECT_EQ(DWORD(REG_MULTI_SZ), type);
    EXPECT_EQ(sizeof(multi), data.size());
    ASSERT_EQ(ERROR_SUCCESS, Query(h, W("b"), type, data));
    EXPECT_EQ(bin, data);
    ASSERT_EQ(ERROR_SUCCESS, Query(h, W("empty"), type, data));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_TRUE(data.empty());

    // RegGetValueW checks the type and expands environment strings.
    DWORD d = 0, size = 4;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(h, nullptr, W("d"), RRF_RT_REG_DWORD, &type, &d, &size));
    EXPECT_EQ(0xFFFFFFFFu, d);
    size = 4;
    EXPECT_EQ(ERROR_UNSUPPORTED_TYPE, RegGetValueW(h, nullptr, W("b"), RRF_RT_REG_DWORD, &type, &d, &size));
    WCHAR text[512];
    size = sizeof(text);
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, W("Software\\Types"), W("e"), RRF_RT_REG_SZ, &type, text, &size));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(WString(W("expanded\\x")), WString(text));
    RegCloseKey(h);
}

TEST_F(RegistryTest, AbsentKeysAndValuesAreFileNotFound)
{
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, W("Software\\Nothing"), 0, KEY_READ, &h));
    EXPECT_EQ(nullptr, h);
    h = Create(HKEY_CURRENT_USER, W("Software\\Something"));
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(h, W("missing"), nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(h, W("missing")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(h, W("missing")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteTreeW(h, W("missing")));
    RegCloseKey(h);
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExW(h, W("x"), nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExW(HKEY_CURRENT_USER, W("\\Software"), 0, KEY_READ, &h));
}

TEST_F(RegistryTest, KeyNamesLongerThanTheLimitAreRefused)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its RegCreateKeyExW creates a key whose name has 256 characters; Windows' limit for "
                        "a key name is 255";
    HKEY h = nullptr;
    WString longName(256, W('k'));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegCreateKeyExW(HKEY_CURRENT_USER, longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
    longName.pop_back();
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
    RegCloseKey(h);
}

TEST_F(RegistryTest, HandlesShareOneStoreAndSeeDeletion)
{
    DWORD disposition = 0;
    HKEY a = nullptr, b = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, W("Software\\Vantora Shared"), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &a, &disposition));
    EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, W("SOFTWARE\\vantora shared"), 0, nullptr, 0, KEY_READ,
                                             nullptr, &b, &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
    EXPECT_NE(a, b);
    ASSERT_EQ(ERROR_SUCCESS, SetDword(a, W("Count"), 7));
    EXPECT_EQ(ERROR_ACCESS_DENIED, SetDword(b, W("Count"), 8)); // opened for reading only
    DWORD v = 0, size = 4;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(b, W("COUNT"), nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size));
    EXPECT_EQ(7u, v);

    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_LOCAL_MACHINE, W("Software\\Vantora Shared")));
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExW(b, W("Count"), nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(a));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(b));
}

TEST_F(RegistryTest, SubkeysAreSortedWithoutCaseAndCounted)
{
    HKEY h = Create(HKEY_CURRENT_USER, W("Software\\Enum"));
    for (const WCHAR* n : {W("beta"), W("Alpha"), W("gamma"), W("ALPHA2")})
        RegCloseKey(Create(h, n));
    EXPECT_EQ((std::vector<WString>{W("Alpha"), W("ALPHA2"), W("beta"), W("gamma")}), SubkeyNames(h));

    WCHAR small[4];
    DWORD cch = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExW(h, 0, small, &cch, nullptr, nullptr, nullptr, nullptr));

    SetDword(h, W("z"), 1);
    SetString(h, W("a"), W("text"));
    SetDword(h, nullptr, 3);

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
    HKEY h = Create(HKEY_CURRENT_USER, W("Software\\Tree\\A\\B"));
    SetDword(h, W("v"), 1);
    RegCloseKey(h);
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, W("Software\\Tree")));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, W("")));

    // RegDeleteTreeW without a subkey empties the key but keeps it.
    HKEY tree = Create(HKEY_CURRENT_USER, W("Software\\Tree"));
    SetDword(tree, W("top"), 1);
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(tree, nullptr));
    EXPECT_TRUE(SubkeyNames(tree).empty());
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(tree, W("top"), nullptr, nullptr, nullptr, &size));
    RegCloseKey(tree);

    RegCloseKey(Create(HKEY_CURRENT_USER, W("Software\\Tree\\X\\Y")));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, W("Software\\Tree")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, W("Software\\Tree"), 0, KEY_READ, &h));
    HKEY sw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, W("Software"), 0, KEY_READ, &sw));
    RegCloseKey(sw);
}

TEST_F(RegistryTest, ClassesRootMergesUserOverMachineAndCanBeRedirected)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its HKEY_CLASSES_ROOT is the machine's classes alone; Windows merges the user's "
                        "classes over them (\"Merged View of HKEY_CLASSES_ROOT\")";
    HKEY m = Create(HKEY_LOCAL_MACHINE, W("Software\\Classes\\Vantora.Thing"));
    SetString(m, nullptr, W("machine"));
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, W("Software\\Classes\\Vantora.Thing\\FromMachine")));
    RegCloseKey(m);

    HKEY cr = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, W("Vantora.Thing"), 0, KEY_READ, &cr));
    EXPECT_EQ(W("machine"), GetString(cr, nullptr));
    RegCloseKey(cr);

    HKEY u = Create(HKEY_CURRENT_USER, W("Software\\Classes\\Vantora.Thing"));
    SetString(u, nullptr, W("user"));
    RegCloseKey(Create(u, W("FromUser")));
    RegCloseKey(u);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, W("Vantora.Thing"), 0, KEY_ALL_ACCESS, &cr));
    EXPECT_EQ(W("user"), GetString(cr, nullptr));
    EXPECT_EQ((std::vector<WString>{W("FromMachine"), W("FromUser")}), SubkeyNames(cr));
    RegCloseKey(cr);

    // New keys go to the machine's classes...
    RegCloseKey(Create(HKEY_CLASSES_ROOT, W("Vantora.NewClass")));
    HKEY check = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, W("Software\\Classes\\Vantora.NewClass"), 0, KEY_READ, &check));
    RegCloseKey(check);

    // ...unless HKEY_CLASSES_ROOT is redirected to the user's classes.
    HKEY userClasses = Create(HKEY_CURRENT_USER, W("Software\\Classes"));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses));
    RegCloseKey(userClasses);
    RegCloseKey(Create(HKEY_CLASSES_ROOT, W("Vantora.PerUser")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CLASSES_ROOT, W("Vantora.NewClass"), 0, KEY_READ, &check));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, W("Software\\Classes\\Vantora.PerUser"), 0, KEY_READ, &check));
    RegCloseKey(check);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, W("Software\\Classes\\Vantora.PerUser"), 0, KEY_READ, &check));
}

namespace {

struct FoldPair {
    const WCHAR* created;
    const WCHAR* asked;
    bool same;
};

// Creates each key and value under one spelling and asks for it under the other.
void ExpectFolding(HKEY parent, const FoldPair* pairs, size_t count)
{
    for (const FoldPair& p : std::vector<FoldPair>(pairs, pairs + count)) {
#ifndef _WIN32
        // The layer's CRT folds with the registry's table (Windows' CRT folds only A to Z in the C locale).
        EXPECT_EQ(p.same, _wcsicmp(p.created, p.asked) == 0) << pal::ToUtf8(p.created);
#endif
        RegCloseKey(RegistryTest::Create(parent, p.created));
        HKEY h = nullptr;
        EXPECT_EQ(p.same ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND, RegOpenKeyExW(parent, p.asked, 0, KEY_READ, &h))
            << pal::ToUtf8(p.created);
        if (h)
            RegCloseKey(h);
        // Value names fold the same way.
        ASSERT_EQ(ERROR_SUCCESS, RegistryTest::SetDword(parent, p.created, 1));
        DWORD type;
        std::vector<BYTE> data;
        EXPECT_EQ(p.same ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND, RegistryTest::Query(parent, p.asked, type, data))
            << pal::ToUtf8(p.created);
    }
}

} // namespace

TEST_F(RegistryTest, NamesFoldCaseAsTheWideStringFunctionsDo)
{
    const FoldPair pairs[] = {
        {W("\u00c4rger"), W("\u00e4RGER"), true},  // Ä, ä
        {W("\u00ff"), W("\u0178"), true},          // ÿ and Ÿ, outside Latin-1 on one side
        {W("stra\u00dfe"), W("STRASSE"), false},   // no one-to-many folding
        {W("\u212a"), W("k"), false},              // the Kelvin sign keeps its own upper case
        {W("x\xd800"), W("X\xd800"), true},        // a lone surrogate is its own case
    };
    HKEY parent = Create(HKEY_CURRENT_USER, W("Software\\Fold"));
    ExpectFolding(parent, pairs, std::size(pairs));
    // Creating through the other spelling opens the same key, which keeps its first spelling.
    HKEY h = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(parent, W("\u00e4RGER"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                             &disposition));
    EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
    RegCloseKey(h);
    std::vector<WString> names = SubkeyNames(parent);
    EXPECT_EQ(size_t(std::size(pairs)), names.size());
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), W("\u00c4rger")));
    RegCloseKey(parent);
}

// Each unit upcased by Unicode's simple uppercase mapping, also where the lower cases differ.
TEST_F(RegistryTest, NamesFoldBeyondLatinByTheSimpleUppercase)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its registry keeps the micro sign, final sigma, long s and title-case dz apart from "
                        "their capitals; Windows upcases names with its Unicode case table, whose simple uppercase "
                        "joins them";
    const FoldPair pairs[] = {
        {W("\u00b5s"), W("\u039cS"), true}, // micro sign upcases to Greek capital mu
        {W("\u03c2"), W("\u03a3"), true},   // final sigma
        {W("\u017f"), W("s"), true},        // long s
        {W("\u01c5"), W("\u01c6"), true},   // title-case Dz and small dz both upcase to DZ
    };
    HKEY parent = Create(HKEY_CURRENT_USER, W("Software\\Fold"));
    ExpectFolding(parent, pairs, std::size(pairs));
    EXPECT_EQ(size_t(std::size(pairs)), SubkeyNames(parent).size());
    RegCloseKey(parent);
}
