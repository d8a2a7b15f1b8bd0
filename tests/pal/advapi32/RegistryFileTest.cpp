// The registry files: the export format, damaged and unreachable files, and writers in two processes.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "RegistryFixture.h"

namespace {

struct Awkward {
    std::u16string name;
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<BYTE> Bytes(const std::u16string& s, bool terminate = true)
{
    std::vector<BYTE> b(reinterpret_cast<const BYTE*>(s.data()), reinterpret_cast<const BYTE*>(s.data() + s.size()));
    if (terminate)
        b.insert(b.end(), {0, 0});
    return b;
}

std::vector<Awkward> AwkwardValues()
{
    std::vector<BYTE> big(300);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = BYTE(i * 7);
    ULONGLONG q = 0xFEDCBA9876543210ull;
    std::vector<BYTE> qb(reinterpret_cast<BYTE*>(&q), reinterpret_cast<BYTE*>(&q) + 8);
    return {
        {u"", REG_SZ, Bytes(u"default")},
        {u"@", REG_SZ, Bytes(u"at sign name")},
        {u"quote\"back\\slash", REG_SZ, Bytes(u"C:\\Program Files\\\"x\"\\")},
        {u"line\nbreak\r", REG_SZ, Bytes(u"two\r\nlines\n")},
        {u"unicode \u00e9\u4e2d\U0001F600", REG_SZ, Bytes(u"\u00fc\u00df \U0001F600")},
        {u"= [x] ;", REG_SZ, Bytes(u"")},
        {u"inner nul", REG_SZ, Bytes(std::u16string(u"a\0b", 3))},
        {u"unterminated", REG_SZ, Bytes(u"abc", false)},
        {u"odd", REG_SZ, {0x41}},
        {u"no bytes", REG_SZ, {}},
        {u"expand", REG_EXPAND_SZ, Bytes(u"%TEMP%\\file")},
        {u"multi", REG_MULTI_SZ, Bytes(std::u16string(u"a\0bc\0", 5))},
        {u"dword", REG_DWORD, {3, 0, 0, 0x80}},
        {u"short dword", REG_DWORD, {1, 2}},
        {u"qword", REG_QWORD, qb},
        {u"big", REG_BINARY, big},
        {u"empty", REG_BINARY, {}},
        {u"none", REG_NONE, {9}},
        {u"odd type", 0x12345, {1, 2, 3}},
    };
}

const char16_t* kAwkwardKey = u"Software\\Odd ]Key[ \"name\"\\\u00c4\u00f6 = @";

} // namespace

TEST_F(RegistryTest, ValuesAreWrittenInTheOrderTheyWereSet)
{
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Enum");
    SetDword(h, u"z", 1);
    SetString(h, u"a", u"text");
    SetDword(h, nullptr, 3);
    std::string text = testing_support::ReadFile(UserFile());
    size_t z = text.find("\"z\"=dword:00000001"), a = text.find("\"a\"=\"text\""), def = text.find("@=dword:00000003");
    ASSERT_NE(std::string::npos, def) << text;
    EXPECT_LT(z, a);
    EXPECT_LT(a, def);
    RegCloseKey(h);
}

TEST_F(RegistryTest, ExportFormatRoundTripsAwkwardNamesAndValues)
{
    HKEY h = Create(HKEY_CURRENT_USER, kAwkwardKey);
    for (const Awkward& v : AwkwardValues())
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, v.name.c_str(), 0, v.type, v.data.data(), DWORD(v.data.size())))
            << pal::ToUtf8(v.name);
    RegCloseKey(h);

    std::string text = testing_support::ReadFile(UserFile());
    EXPECT_EQ(0u, text.find("Windows Registry Editor Version 5.00\n"));
    EXPECT_NE(std::string::npos, text.find("[HKEY_CURRENT_USER\\Software\\Odd ]Key[ \"name\"\\\xc3\x84\xc3\xb6 = @]\n"));
    EXPECT_NE(std::string::npos, text.find("@=\"default\"\n"));
    EXPECT_NE(std::string::npos, text.find("\"quote\\\"back\\\\slash\"=\"C:\\\\Program Files\\\\\\\"x\\\"\\\\\"\n"));
    EXPECT_NE(std::string::npos, text.find("\"dword\"=dword:80000003\n"));
    EXPECT_NE(std::string::npos, text.find("\"qword\"=hex(b):10,32,54,76,98,ba,dc,fe\n"));
    EXPECT_NE(std::string::npos, text.find("\"expand\"=hex(2):25,00,54,00"));
    EXPECT_NE(std::string::npos, text.find("\"empty\"=hex:\n"));
    EXPECT_NE(std::string::npos, text.find("\"big\"=hex:00,07,0e,"));
    EXPECT_NE(std::string::npos, text.find(",\\\n  ")); // long binary data continues on the next line

    // Force a fresh parse of the file (a comment changes the text, not the content) and compare every value.
    testing_support::WriteFile(UserFile(), text + "; reread\n");
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kAwkwardKey, 0, KEY_READ, &h));
    std::vector<Awkward> expected = AwkwardValues();
    for (size_t i = 0; i < expected.size(); ++i) {
        DWORD type = 0, size = 1024;
        BYTE data[1024];
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(h, expected[i].name.c_str(), nullptr, &type, data, &size))
            << pal::ToUtf8(expected[i].name);
        EXPECT_EQ(expected[i].type, type) << pal::ToUtf8(expected[i].name);
        EXPECT_EQ(expected[i].data, std::vector<BYTE>(data, data + size)) << pal::ToUtf8(expected[i].name);
    }
    RegCloseKey(h);
}

TEST_F(RegistryTest, LoneSurrogatesSurviveTheFileExactly)
{
    // Lone halves at the start, middle and end of key names, value names and string data, beside a
    // real pair and text that looks like the escape.
    const std::u16string names[] = {
        std::u16string(u"\xD800"), std::u16string(u"a\xDC00" u"b"), std::u16string(u"end\xDBFF"),
        std::u16string(u"\xDC00\xD800"), std::u16string(u"pair \U0001F600 uD800"),
    };
    HKEY parent = Create(HKEY_CURRENT_USER, u"Software\\Lone");
    for (const std::u16string& n : names) {
        RegCloseKey(Create(parent, n.c_str()));
        RegCloseKey(Create(parent, (n + u"\\" + n).c_str()));
        ASSERT_EQ(ERROR_SUCCESS, SetString(parent, n.c_str(), n + u"|" + n));
    }
    ASSERT_EQ(ERROR_SUCCESS, SetString(parent, u"\\u0041", u"\\uD800")); // the escape's look-alike
    RegCloseKey(parent);
    std::string text = testing_support::ReadFile(UserFile());
    EXPECT_NE(std::string::npos, text.find("[HKEY_CURRENT_USER\\Software\\Lone\\\\\\ud800]\n")) << text;
    EXPECT_NE(std::string::npos, text.find("[HKEY_CURRENT_USER\\Software\\Lone\\end\\\\udbff\\end\\\\udbff]\n"));
    EXPECT_NE(std::string::npos, text.find("\"a\\udc00b\"=\"a\\udc00b|a\\udc00b\"\n"));
    EXPECT_EQ(std::string::npos, text.find("\xEF\xBF\xBD")); // no replacement character anywhere

    // Read back from a fresh parse: the same names, nothing merged, nothing replaced.
    testing_support::WriteFile(UserFile(), text + "; reread\n");
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Lone", 0, KEY_ALL_ACCESS, &h));
    std::vector<std::u16string> keys = SubkeyNames(h);
    EXPECT_EQ(std::size(names), keys.size());
    for (const std::u16string& n : names) {
        EXPECT_NE(keys.end(), std::find(keys.begin(), keys.end(), n)) << pal::ToUtf8(n);
        EXPECT_EQ(n + u"|" + n, GetString(h, n.c_str())) << pal::ToUtf8(n);
        HKEY sub = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(h, (n + u"\\" + n).c_str(), 0, KEY_READ, &sub)) << pal::ToUtf8(n);
        if (sub)
            RegCloseKey(sub);
    }
    EXPECT_EQ(u"\\uD800", GetString(h, u"\\u0041"));
    // Writing the same again changes nothing.
    for (const std::u16string& n : names)
        ASSERT_EQ(ERROR_SUCCESS, SetString(h, n.c_str(), n + u"|" + n));
    RegCloseKey(h);
    EXPECT_EQ(text + "; reread\n", testing_support::ReadFile(UserFile()));
}

TEST_F(RegistryTest, FilesWrittenBeforeTheEscapeReadAsTheyDid)
{
    // Older files held U+FFFD where a lone surrogate was, hex(1) strings, and texts with backslashes.
    testing_support::WriteFile(UserFile(), "Windows Registry Editor Version 5.00\n\n"
                                           "[HKEY_CURRENT_USER\\Software\\Old\\x\xEF\xBF\xBD\\uD800]\n"
                                           "\"x\xEF\xBF\xBD\"=hex(1):41,00,00,d8,00,00\n"
                                           "\"path\"=\"C:\\\\u0041\\\\\"\n");
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Old\\x\uFFFD\\uD800", 0, KEY_READ, &h));
    EXPECT_EQ(std::u16string(u"A\xD800"), GetString(h, u"x\uFFFD"));
    EXPECT_EQ(u"C:\\u0041\\", GetString(h, u"path"));
    RegCloseKey(h);
    // A file of the registry editor (UTF-16) keeps its lone surrogates too.
    std::u16string utf16 = u"\ufeffWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\W\xDC00]\r\n"
                           u"\"\xD800\"=\"\xDBFF\"\r\n";
    testing_support::WriteFile(UserFile(), std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\W\xDC00", 0, KEY_READ, &h));
    EXPECT_EQ(std::u16string(u"\xDBFF"), GetString(h, u"\xD800"));
    RegCloseKey(h);
    // A broken escape is a malformed file.
    testing_support::WriteFile(UserFile(), "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\S]\n\"v\"=\"\\u12\"\n");
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyExW(HKEY_CURRENT_USER, u"S", 0, KEY_READ, &h));
}

TEST_F(RegistryTest, ReadsFilesOfTheRegistryEditor)
{
    // UTF-16 with a byte order mark and CR LF line ends, as the editor exports, with removal entries.
    std::u16string text = u"\ufeffWindows Registry Editor Version 5.00\r\n\r\n"
                          u"[HKEY_CURRENT_USER\\Software\\Imported]\r\n"
                          u"\"Str\"=\"v\u00e4lue\"\r\n\"Gone\"=\"x\"\r\n\"Gone\"=-\r\n"
                          u"\"Bin\"=hex:01,\\\r\n  02,03\r\n\r\n"
                          u"[HKEY_CURRENT_USER\\Software\\Imported\\Removed]\r\n"
                          u"[-HKEY_CURRENT_USER\\Software\\Imported\\Removed]\r\n";
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    testing_support::WriteFile(UserFile(), bytes);
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"software\\imported", 0, KEY_READ, &h));
    EXPECT_EQ(u"v\u00e4lue", GetString(h, u"Str"));
    DWORD type;
    std::vector<BYTE> data;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(h, u"Gone", type, data));
    ASSERT_EQ(ERROR_SUCCESS, Query(h, u"Bin", type, data));
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3}), data);
    EXPECT_TRUE(SubkeyNames(h).empty());
    RegCloseKey(h);
}

TEST_F(RegistryTest, MalformedFileIsAnErrorAndIsNeverOverwritten)
{
    const std::string broken[] = {
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\X]\n\"v\"=dword:xyz\n",
        "Windows Registry Editor Version 5.00\n\n\"v\"=\"value before any section\"\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\S]\n\"v\"=\"unterminated\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\S]\n\"v\"=hex:01,0\n",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\S]\n\"v\"=hex:01,\\\n",
        "[HKEY_CURRENT_USER\\Software]\n",
        std::string("\0\0\0garbage", 10),
    };
    for (const std::string& content : broken) {
        testing_support::WriteFile(UserFile(), content);
        HKEY h = nullptr;
        EXPECT_EQ(ERROR_BADDB, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &h)) << content;
        EXPECT_EQ(ERROR_BADDB, RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &h, nullptr));
        EXPECT_EQ(ERROR_BADDB, SetDword(HKEY_CURRENT_USER, u"v", 1));
        EXPECT_EQ(content, testing_support::ReadFile(UserFile()));
    }
    // The other root is unaffected.
    HKEY m = Create(HKEY_LOCAL_MACHINE, u"Software\\Fine");
    EXPECT_EQ(ERROR_SUCCESS, SetDword(m, u"v", 1));
    RegCloseKey(m);
}

TEST_F(RegistryTest, UnusablePrefixGivesErrors)
{
    std::string file = testing_support::Prefix() + "/not-a-folder";
    testing_support::WriteFile(file, "x");
    pal::SetPrefixPath(file + "/prefix");
    HKEY h = nullptr;
    EXPECT_NE(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &h));
    EXPECT_NE(ERROR_SUCCESS, SetDword(HKEY_LOCAL_MACHINE, u"v", 1));

    if (geteuid() != 0) { // permissions do not bind the superuser
        pal::SetPrefixPath(testing_support::Prefix());
        RegCloseKey(Create(HKEY_CURRENT_USER, u"Software"));
        chmod(RegistryDir().c_str(), 0500);
        EXPECT_EQ(ERROR_ACCESS_DENIED, SetDword(HKEY_CURRENT_USER, u"v", 1));
        chmod(UserFile().c_str(), 0);
        EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &h));
        chmod(UserFile().c_str(), 0644);
        chmod(RegistryDir().c_str(), 0755);
    }
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kValues = 150;
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Race");
    // The parent's handle stays open while the children write through their own.
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            int failures = 0;
            for (int i = 0; i < kValues; ++i) {
                std::u16string name = pal::ToWide("p" + std::to_string(p) + "_" + std::to_string(i));
                HKEY k = nullptr;
                if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Race", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                                    nullptr) != ERROR_SUCCESS ||
                    SetDword(k, name.c_str(), DWORD(i)) != ERROR_SUCCESS)
                    ++failures;
                RegCloseKey(k);
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    DWORD values = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                              nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(DWORD(2 * kValues), values);
    DWORD v = 0, size = 4;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(h, u"p1_149", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size));
    EXPECT_EQ(149u, v);
    RegCloseKey(h);
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(RegistryDir()))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp")) << entry.path();
}

TEST_F(RegistryTest, SettingAValueToWhatItHoldsLeavesTheFileAlone)
{
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Same");
    ASSERT_EQ(ERROR_SUCCESS, SetString(h, u"Text", u"abc"));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(h, u"Number", 7));
    struct stat before {};
    ASSERT_EQ(0, stat(UserFile().c_str(), &before));
    ASSERT_EQ(ERROR_SUCCESS, SetString(h, u"text", u"abc"));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(h, u"Number", 7));
    RegCloseKey(Create(HKEY_CURRENT_USER, u"software\\SAME"));
    struct stat after {};
    ASSERT_EQ(0, stat(UserFile().c_str(), &after));
    EXPECT_EQ(before.st_ino, after.st_ino); // not rewritten
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    // The same data under another type is a change.
    DWORD seven = 7;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, u"Number", 0, REG_BINARY, reinterpret_cast<BYTE*>(&seven), 4));
    ASSERT_EQ(0, stat(UserFile().c_str(), &after));
    EXPECT_NE(before.st_ino, after.st_ino);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(ERROR_SUCCESS, Query(h, u"Number", type, data));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    RegCloseKey(h);
}

TEST_F(RegistryTest, EveryWriteOfAnotherProcessIsSeen)
{
    // Same-sized values written in quick succession by other processes: each new file may get the inode
    // number of the one before and the same coarse timestamp, and must still be read.
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Shared");
    ASSERT_EQ(ERROR_SUCCESS, SetString(h, u"V", u"v00"));
    for (int i = 1; i <= 30; ++i) {
        std::u16string text = pal::ToWide("v" + std::to_string(10 + i));
        std::u16string child = pal::ToWide("k" + std::to_string(i));
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            HKEY k = nullptr;
            bool ok = RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Shared", 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS &&
                      SetString(k, u"V", text) == ERROR_SUCCESS;
            HKEY c = nullptr;
            ok = ok && RegCreateKeyExW(k, child.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &c, nullptr) ==
                           ERROR_SUCCESS;
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(text, GetString(h, u"V")) << i;
        EXPECT_EQ(size_t(i), SubkeyNames(h).size()) << i;
        // This process's own write right after sees the other's key too.
        ASSERT_EQ(ERROR_SUCCESS, SetDword(h, u"Mine", DWORD(i)));
        EXPECT_EQ(size_t(i), SubkeyNames(h).size()) << i;
    }
    RegCloseKey(h);
}

TEST_F(RegistryTest, AnEditInPlaceIsSeenEvenWithItsTimesPutBack)
{
    HKEY h = Create(HKEY_CURRENT_USER, u"Software\\Edited");
    ASSERT_EQ(ERROR_SUCCESS, SetString(h, u"V", u"before"));
    EXPECT_EQ(u"before", GetString(h, u"V"));
    std::string text = testing_support::ReadFile(UserFile());
    struct stat st {};
    ASSERT_EQ(0, stat(UserFile().c_str(), &st));
    std::string edited = text;
    edited.replace(edited.find("before"), 6, "behind");
    testing_support::WriteFile(UserFile(), edited); // same inode, same size
    timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(0, utimensat(AT_FDCWD, UserFile().c_str(), times, 0));
    EXPECT_EQ(u"behind", GetString(h, u"V"));
    RegCloseKey(h);
}
