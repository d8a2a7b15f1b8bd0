// The country database: the real compiled file against the package's text read independently, and
// damaged, foreign or inconsistent files refused as a whole.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <stdexcept>

#include "CountryDataUtil.h"
#include "GeoIpCompiler.h"
#include "__Utilities/ErrorLog.h"
#include "geo/CountryDatabase.h"
#include "geo/CountryDatabaseFormat.h"

using testing_support::CorpusAddresses;
using testing_support::TextRanges;
using testing_support::V6;

namespace {

std::string Code(bool found, const WCHAR* code) { return found ? pal::ToUtf8(code) : std::string(); }

std::string Lookup(const CCountryDatabase& db, uint32_t a)
{
    WCHAR code[3] = {};
    return Code(db.LookupV4(a, code), code);
}

std::string Lookup(const CCountryDatabase& db, V6 a)
{
    unsigned char bytes[16];
    testing_support::V6ToBytes(a, bytes);
    WCHAR code[3] = {};
    return Code(db.LookupV6(bytes, code), code);
}

TEST(CountryDatabase, TheCompiledFileAgreesWithThePackageText)
{
    CCountryDatabase db;
    ASSERT_EQ(db.Load(pal::ToWide(testing_support::CompiledDatabase()).c_str()), CCountryDatabase::LOAD_OK);
    EXPECT_GT(db.GetGenerated(), 1700000000); // the export date of the data, read from the text's header
    const TextRanges& text = TextRanges::Get();
    ASSERT_GT(text.v4.size(), 100000u) << "the tor-geoipdb package is not installed";
    ASSERT_GT(text.v6.size(), 100000u);

    std::vector<uint32_t> v4;
    for (const std::string& address : CorpusAddresses::Get().v4) {
        IPV4_address parsed;
        ASSERT_TRUE(parsed.Read(pal::ToWide(address).c_str()));
        v4.push_back(uint32_t(parsed.GetPart(0)) << 24 | uint32_t(parsed.GetPart(1)) << 16 |
                     uint32_t(parsed.GetPart(2)) << 8 | parsed.GetPart(3));
    }
    std::vector<V6> v6;
    for (const std::string& address : CorpusAddresses::Get().v6) {
        IPV6_address parsed;
        ASSERT_TRUE(parsed.Read(pal::ToWide(address).c_str()));
        v6.push_back(testing_support::V6FromBytes(parsed.GetAddress().u.Byte));
    }
    EXPECT_GT(v4.size(), 100u);
    EXPECT_GT(v6.size(), 3u);
    // Range edges: both ends, the addresses just outside them (gaps and neighbours) and a middle.
    size_t n = 0;
    for (const auto& [first, range] : text.v4)
        if (n++ % 97 == 0)
            v4.insert(v4.end(), {first, range.first, range.first + 1, first - 1, first + (range.first - first) / 2});
    n = 0;
    for (const auto& [first, range] : text.v6)
        if (n++ % 67 == 0) {
            V6 last = range.first;
            V6 after = last.second == UINT64_MAX ? V6{last.first + 1, 0} : V6{last.first, last.second + 1};
            V6 before = first.second == 0 ? V6{first.first - 1, UINT64_MAX} : V6{first.first, first.second - 1};
            v6.insert(v6.end(), {first, last, after, before});
        }
    v4.insert(v4.end(), {0u, 0xFFFFFFFFu});
    v6.insert(v6.end(), {V6{0, 0}, V6{UINT64_MAX, UINT64_MAX}});
    EXPECT_GT(v4.size() + v6.size(), 3000u);

    size_t placed = 0;
    for (uint32_t a : v4) {
        std::string expected = text.Find(a);
        placed += !expected.empty();
        ASSERT_EQ(Lookup(db, a), expected) << "IPv4 " << a;
    }
    for (V6 a : v6) {
        std::string expected = text.Find(a);
        placed += !expected.empty();
        ASSERT_EQ(Lookup(db, a), expected) << "IPv6 " << std::hex << a.first << ":" << a.second;
    }
    EXPECT_GT(placed, 2000u); // most of the sample has a country, so the comparison is not all empty
}

// A small database through the real compiler, and its header and body for the damage below.
struct Image {
    std::vector<unsigned char> bytes;

    static Image Make()
    {
        geoipdb::Table table;
        geoipdb::ParseText("# Generated: Thu, 25 Jun 2026 04:33:59 GMT\n"
                           "16777216,16777471,AU\n16777472,16778239,CN\n16779264,16781311,??\n"
                           "16781312,16785407,JP\n",
                           false, table);
        geoipdb::ParseText("2001:200::,2001:200:ffff:ffff:ffff:ffff:ffff:ffff,JP\n"
                           "2001:201::,2001:201::7fff,DE\n"
                           "2001:201::8000,2001:201:0:0:ffff:ffff:ffff:ffff,FR\n",
                           true, table);
        return Image{geoipdb::Compile(table)};
    }
    uint32_t Get32(size_t at) const
    {
        uint32_t v = 0;
        memcpy(&v, &bytes[at], 4);
        return v;
    }
    void Put32(size_t at, uint32_t v) { memcpy(&bytes[at], &v, 4); }
    void Put16(size_t at, uint16_t v) { memcpy(&bytes[at], &v, 2); }
    // Recomputes the checksum, so that only the damage under test is left.
    void Reseal()
    {
        size_t h = country_db::HEADER_SIZE;
        Put32(country_db::OFFSET_CHECKSUM, uint32_t(crc32(crc32(0, Z_NULL, 0), &bytes[h], uInt(bytes.size() - h))));
    }
    bool Parses(CCountryDatabase& db) const { return db.Parse(bytes.data(), bytes.size()); }
};

V6 Addr6(const char* text)
{
    unsigned char b[16];
    EXPECT_TRUE(testing_support::ParseV6Text(text, b));
    return testing_support::V6FromBytes(b);
}

TEST(CountryDatabase, GapsEdgesAndUnalignedIPv6Ranges)
{
    Image image = Image::Make();
    CCountryDatabase db;
    ASSERT_TRUE(image.Parses(db));
    EXPECT_EQ(db.GetGenerated(), 1782362039);
    EXPECT_EQ(Lookup(db, 16777215u), "");      // below the first range
    EXPECT_EQ(Lookup(db, 16777216u), "AU");
    EXPECT_EQ(Lookup(db, 16777471u), "AU");
    EXPECT_EQ(Lookup(db, 16777472u), "CN");
    EXPECT_EQ(Lookup(db, 16778240u), "");      // the gap after CN
    EXPECT_EQ(Lookup(db, 16780000u), "");      // a "??" range
    EXPECT_EQ(Lookup(db, 16785407u), "JP");
    EXPECT_EQ(Lookup(db, 16785408u), "");      // after the last range
    EXPECT_EQ(Lookup(db, 0xFFFFFFFFu), "");
    EXPECT_EQ(Lookup(db, Addr6("2001:1ff:ffff:ffff:ffff:ffff:ffff:ffff")), "");
    EXPECT_EQ(Lookup(db, Addr6("2001:200::")), "JP");
    EXPECT_EQ(Lookup(db, Addr6("2001:201::7fff")), "DE");
    EXPECT_EQ(Lookup(db, Addr6("2001:201::8000")), "FR");
    EXPECT_EQ(Lookup(db, Addr6("2001:201::ffff:ffff:ffff:ffff")), "FR");
    EXPECT_EQ(Lookup(db, Addr6("2001:201:0:1::")), "");
    EXPECT_EQ(Lookup(db, Addr6("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff")), "");
}

TEST(CountryDatabase, DamagedOrForeignImagesAreRefusedWhole)
{
    const Image good = Image::Make();
    CCountryDatabase db;
    ASSERT_TRUE(good.Parses(db));
    uint32_t v4Count = good.Get32(country_db::OFFSET_V4_COUNT);
    size_t h = country_db::HEADER_SIZE;
    size_t v4Codes = h + 4 * v4Count;
    size_t v6xStart = h + 6 * v4Count + 10 * good.Get32(country_db::OFFSET_V6_COUNT);
    ASSERT_EQ(good.Get32(country_db::OFFSET_V6X_COUNT), 1u) << "the unaligned start of the sample";

    for (size_t size = 0; size < good.bytes.size(); ++size) {
        ASSERT_FALSE(db.Parse(good.bytes.data(), size)) << "truncated to " << size;
        EXPECT_EQ(Lookup(db, 16777216u), "") << "a refused file answers nothing";
    }
    struct Damage {
        const char* name;
        std::function<void(Image&)> apply;
        bool reseal;
    };
    const Damage damages[] = {
        {"future version", [](Image& i) { i.Put32(country_db::OFFSET_VERSION, 2); }, true},
        {"foreign magic", [](Image& i) { i.bytes[0] = 'X'; }, true},
        {"flipped body byte", [&](Image& i) { i.bytes[v4Codes] ^= 1; }, false},
        {"unsorted starts", [&](Image& i) { uint32_t a = i.Get32(h), b = i.Get32(h + 4); i.Put32(h, b); i.Put32(h + 4, a); }, true},
        {"overlapping starts", [&](Image& i) { i.Put32(h + 4, i.Get32(h)); }, true},
        {"bad code", [&](Image& i) { i.Put16(v4Codes, uint16_t('a' | 'u' << 8)); }, true},
        {"IPv6 start in the wrong table", [&](Image& i) { memset(&i.bytes[v6xStart + 8], 0, 8); }, true},
        {"huge count", [](Image& i) { i.Put32(country_db::OFFSET_V4_COUNT, 0xFFFFFFFFu); }, true},
        {"count beyond the body", [&](Image& i) { i.Put32(country_db::OFFSET_V4_COUNT, v4Count + 1); }, true},
        {"trailing byte", [](Image& i) { i.bytes.push_back(0); }, true},
        {"no ranges at all", [](Image& i) {
             i.bytes.resize(country_db::HEADER_SIZE);
             for (uint32_t at : {country_db::OFFSET_V4_COUNT, country_db::OFFSET_V6_COUNT, country_db::OFFSET_V6X_COUNT,
                                 country_db::OFFSET_BODY_SIZE, country_db::OFFSET_BODY_SIZE + 4})
                 i.Put32(at, 0);
         }, true},
    };
    for (const Damage& d : damages) {
        Image bad = good;
        d.apply(bad);
        if (d.reseal)
            bad.Reseal();
        EXPECT_FALSE(bad.Parses(db)) << d.name;
        EXPECT_EQ(Lookup(db, 16777216u), "") << d.name;
    }
    std::string log = pal::ToUtf8(CErrorLog::Instance().ReadAll().m_str);
    for (const char* reason : {"unknown format version", "checksum mismatch", "unsorted or overlapping",
                               "invalid country code", "misplaced IPv6 range", "too many ranges", "truncated",
                               "holds no ranges"})
        EXPECT_NE(log.find(reason), std::string::npos) << reason;
}

TEST(CountryDatabase, TheCompilerRefusesInconsistentText)
{
    const char* bad[] = {
        "5,9,AU\n1,3,CN\n",      // unsorted
        "1,5,AU\n5,9,CN\n",      // overlapping by one address
        "9,1,AU\n",              // reversed
        "1,5,au\n",              // lower-case code
        "1,5\n",                 // missing code
        "1,4294967296,AU\n",     // beyond IPv4
        "-1,5,AU\n",
    };
    for (const char* text : bad) {
        geoipdb::Table table;
        EXPECT_THROW(geoipdb::ParseText(text, false, table), std::runtime_error) << text;
    }
    geoipdb::Table table;
    EXPECT_THROW(geoipdb::ParseText("2001:db8::,2001:db8::g,DE\n", true, table), std::runtime_error);
    EXPECT_THROW(geoipdb::ParseText("2001:db8::10,2001:db8::ff,DE\n2001:db8::20,2001:db8::30,FR\n", true, table),
                 std::runtime_error);
    geoipdb::Table empty;
    geoipdb::ParseText("# nothing but comments\n", false, empty);
    EXPECT_THROW(geoipdb::Compile(empty), std::runtime_error);
    EXPECT_EQ(geoipdb::ParseHttpDate("Thu, 01 Jan 1970 00:00:00 GMT"), 0);
    EXPECT_EQ(geoipdb::ParseHttpDate("Sat, 29 Feb 2020 12:00:00 GMT"), 1582977600);
    EXPECT_EQ(geoipdb::ParseHttpDate("Thu, 25 Jun 2026 04:33:59"), -1);
}

TEST(CountryDatabase, MissingFilesAndFoldersAreToldFromDamagedOnes)
{
    CCountryDatabase db;
    std::string dir = testing_support::Prefix();
    EXPECT_EQ(db.Load(pal::ToWide(dir + "/none.dat").c_str()), CCountryDatabase::LOAD_MISSING);
    EXPECT_EQ(db.Load(pal::ToWide(dir + "/no/none.dat").c_str()), CCountryDatabase::LOAD_MISSING);
    EXPECT_EQ(db.Load(pal::ToWide(dir).c_str()), CCountryDatabase::LOAD_INVALID); // a folder
    testing_support::WriteFile(dir + "/empty.dat", "");
    EXPECT_EQ(db.Load(pal::ToWide(dir + "/empty.dat").c_str()), CCountryDatabase::LOAD_INVALID);
    Image image = Image::Make();
    testing_support::WriteFile(dir + "/small.dat", std::string(image.bytes.begin(), image.bytes.end()));
    EXPECT_EQ(db.Load(pal::ToWide(dir + "/small.dat").c_str()), CCountryDatabase::LOAD_OK);
    EXPECT_EQ(Lookup(db, 16777216u), "AU");
}

} // namespace
