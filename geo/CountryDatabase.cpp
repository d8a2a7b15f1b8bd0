// Loading and searching the country database. Every field of the file is checked before it is trusted:
// a damaged, foreign or newer file is refused as a whole rather than answering a wrong country.
#include "geo/CountryDatabase.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include <zlib.h>

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "geo/CountryDatabaseFormat.h"
#include "res/resource.h"

namespace {

const HRESULT E_BAD_DATABASE = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

uint32_t Read32(const BYTE* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t Read64(const BYTE* p)
{
    return uint64_t(Read32(p)) | uint64_t(Read32(p + 4)) << 32;
}

// Reads count little-endian numbers of the vector's type from the image, advancing p.
template <class T> void ReadArray(const BYTE*& p, size_t count, std::vector<T>& out)
{
    out.resize(count);
    for (size_t i = 0; i < count; ++i, p += sizeof(T)) {
        uint64_t value = 0;
        for (size_t b = 0; b < sizeof(T); ++b)
            value |= uint64_t(p[b]) << (8 * b);
        out[i] = T(value);
    }
}

bool ValidCode(uint16_t code)
{
    if (code == country_db::UNKNOWN_CODE)
        return true;
    BYTE first = BYTE(code & 0xFF), second = BYTE(code >> 8);
    return first >= 'A' && first <= 'Z' && second >= 'A' && second <= 'Z';
}

bool AllCodesValid(const std::vector<uint16_t>& codes)
{
    return std::all_of(codes.begin(), codes.end(), ValidCode);
}

template <class T> bool StrictlyAscending(const std::vector<T>& v)
{
    return std::adjacent_find(v.begin(), v.end(), [](T a, T b) { return a >= b; }) == v.end();
}

bool StrictlyAscending(const std::vector<uint64_t>& high, const std::vector<uint64_t>& low)
{
    for (size_t i = 1; i < high.size(); ++i)
        if (high[i - 1] > high[i] || (high[i - 1] == high[i] && low[i - 1] >= low[i]))
            return false;
    return true;
}

bool Answer(uint16_t code, WCHAR out[3])
{
    if (code == country_db::UNKNOWN_CODE)
        return false;
    out[0] = WCHAR(code & 0xFF);
    out[1] = WCHAR(code >> 8);
    out[2] = 0;
    return true;
}

} // namespace

void CCountryDatabase::Clear()
{
    m_loaded = false;
    m_generated = 0;
    m_v4Starts.clear();
    m_v4Codes.clear();
    m_v6Starts.clear();
    m_v6Codes.clear();
    m_v6xHigh.clear();
    m_v6xLow.clear();
    m_v6xCodes.clear();
}

bool CCountryDatabase::Parse(const BYTE* pData, size_t size)
{
    using namespace country_db;
    Clear();
    try {
        VTR_CHECK_TEXT(pData || size == 0, "pData", E_INVALIDARG);
        VTR_CHECK_TEXT(size >= HEADER_SIZE, "country database: shorter than its header", E_BAD_DATABASE);
        VTR_CHECK_TEXT(memcmp(pData, MAGIC, sizeof(MAGIC)) == 0, "country database: not a country database",
                       E_BAD_DATABASE);
        VTR_CHECK_TEXT(Read32(pData + OFFSET_VERSION) == VERSION, "country database: unknown format version",
                       E_BAD_DATABASE);
        VTR_CHECK_TEXT(Read32(pData + OFFSET_HEADER_SIZE) == HEADER_SIZE, "country database: bad header size",
                       E_BAD_DATABASE);
        uint32_t v4Count = Read32(pData + OFFSET_V4_COUNT);
        uint32_t v6Count = Read32(pData + OFFSET_V6_COUNT);
        uint32_t v6xCount = Read32(pData + OFFSET_V6X_COUNT);
        VTR_CHECK_TEXT(v4Count <= MAX_ENTRIES && v6Count <= MAX_ENTRIES && v6xCount <= MAX_ENTRIES,
                       "country database: too many ranges", E_BAD_DATABASE);
        // A database without ranges would answer "no country" for every address instead of failing.
        VTR_CHECK_TEXT(v4Count > 0 || v6Count > 0 || v6xCount > 0, "country database: holds no ranges",
                       E_BAD_DATABASE);
        uint64_t bodySize = BodySize(v4Count, v6Count, v6xCount);
        VTR_CHECK_TEXT(Read64(pData + OFFSET_BODY_SIZE) == bodySize, "country database: bad body size",
                       E_BAD_DATABASE);
        VTR_CHECK_TEXT(size - HEADER_SIZE == bodySize, "country database: truncated or too long", E_BAD_DATABASE);
        const BYTE* p = pData + HEADER_SIZE;
        uLong crc = crc32(0L, Z_NULL, 0);
        for (uint64_t done = 0; done < bodySize;) {
            uInt chunk = uInt(std::min<uint64_t>(bodySize - done, 1u << 30));
            crc = crc32(crc, p + done, chunk);
            done += chunk;
        }
        VTR_CHECK_TEXT(uint32_t(crc) == Read32(pData + OFFSET_CHECKSUM), "country database: checksum mismatch",
                       E_BAD_DATABASE);

        ReadArray(p, v4Count, m_v4Starts);
        ReadArray(p, v4Count, m_v4Codes);
        ReadArray(p, v6Count, m_v6Starts);
        ReadArray(p, v6Count, m_v6Codes);
        m_v6xHigh.resize(v6xCount);
        m_v6xLow.resize(v6xCount);
        for (uint32_t i = 0; i < v6xCount; ++i, p += 16) {
            m_v6xHigh[i] = Read64(p);
            m_v6xLow[i] = Read64(p + 8);
        }
        ReadArray(p, v6xCount, m_v6xCodes);

        VTR_CHECK_TEXT(StrictlyAscending(m_v4Starts) && StrictlyAscending(m_v6Starts) &&
                           StrictlyAscending(m_v6xHigh, m_v6xLow),
                       "country database: ranges unsorted or overlapping", E_BAD_DATABASE);
        VTR_CHECK_TEXT(std::find(m_v6xLow.begin(), m_v6xLow.end(), 0u) == m_v6xLow.end(),
                       "country database: misplaced IPv6 range", E_BAD_DATABASE);
        VTR_CHECK_TEXT(AllCodesValid(m_v4Codes) && AllCodesValid(m_v6Codes) && AllCodesValid(m_v6xCodes),
                       "country database: invalid country code", E_BAD_DATABASE);
        m_generated = LONGLONG(Read64(pData + OFFSET_GENERATED));
        m_loaded = true;
        return true;
    }
    VTR_CATCH_LOG
    Clear();
    return false;
}

CCountryDatabase::LoadResult CCountryDatabase::Load(const WCHAR* pPath)
{
    Clear();
    HANDLE hFile = INVALID_HANDLE_VALUE;
    LoadResult result = LOAD_INVALID;
    try {
        VTR_CHECK(pPath && *pPath, E_INVALIDARG);
        hFile = CreateFileW(pPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
        if (hFile == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                result = LOAD_MISSING;
            VTR_CHECK_WIN32(hFile != INVALID_HANDLE_VALUE);
        }
        LARGE_INTEGER fileSize{};
        VTR_CHECK_WIN32(GetFileSizeEx(hFile, &fileSize));
        // A real database is a few megabytes; anything far larger is not one (and is not read into memory).
        VTR_CHECK_TEXT(fileSize.QuadPart >= 0 && fileSize.QuadPart <= LONGLONG(256) * 1024 * 1024,
                       "country database: far too large", E_BAD_DATABASE);
        std::vector<BYTE> image(size_t(fileSize.QuadPart));
        size_t done = 0;
        while (done < image.size()) {
            DWORD chunk = DWORD(std::min<size_t>(image.size() - done, 1u << 24));
            DWORD read = 0;
            VTR_CHECK_WIN32(ReadFile(hFile, image.data() + done, chunk, &read, nullptr));
            if (read == 0)
                break; // the file shrank while being read: the size check below refuses it
            done += read;
        }
        image.resize(done);
        CloseHandle(hFile);
        hFile = INVALID_HANDLE_VALUE;
        result = Parse(image.data(), image.size()) ? LOAD_OK : LOAD_INVALID;
    }
    VTR_CATCH_LOG
    if (hFile != INVALID_HANDLE_VALUE)
        CloseHandle(hFile);
    return result;
}

bool CCountryDatabase::LookupV4(uint32_t address, WCHAR code[3]) const
{
    auto it = std::upper_bound(m_v4Starts.begin(), m_v4Starts.end(), address);
    if (it == m_v4Starts.begin())
        return false;
    return Answer(m_v4Codes[size_t(it - m_v4Starts.begin()) - 1], code);
}

bool CCountryDatabase::LookupV6(const BYTE address[16], WCHAR code[3]) const
{
    uint64_t high = 0, low = 0;
    for (int i = 0; i < 8; ++i) {
        high = high << 8 | address[i];
        low = low << 8 | address[8 + i];
    }
    // The range holding the address begins at the greatest start at or below it, in either table.
    bool found = false;
    uint64_t bestHigh = 0, bestLow = 0;
    uint16_t bestCode = country_db::UNKNOWN_CODE;
    auto it = std::upper_bound(m_v6Starts.begin(), m_v6Starts.end(), high);
    if (it != m_v6Starts.begin()) {
        size_t i = size_t(it - m_v6Starts.begin()) - 1;
        found = true;
        bestHigh = m_v6Starts[i];
        bestCode = m_v6Codes[i];
    }
    size_t lo = 0, hi = m_v6xHigh.size(); // first extra start above the address
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        if (m_v6xHigh[mid] < high || (m_v6xHigh[mid] == high && m_v6xLow[mid] <= low))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo > 0) {
        size_t i = lo - 1;
        if (!found || m_v6xHigh[i] > bestHigh || (m_v6xHigh[i] == bestHigh && m_v6xLow[i] > bestLow)) {
            found = true;
            bestCode = m_v6xCodes[i];
        }
    }
    return found && Answer(bestCode, code);
}

size_t CCountryDatabase::GetMemorySize() const
{
    return m_v4Starts.capacity() * 4 + m_v4Codes.capacity() * 2 + m_v6Starts.capacity() * 8 +
           m_v6Codes.capacity() * 2 + (m_v6xHigh.capacity() + m_v6xLow.capacity()) * 8 + m_v6xCodes.capacity() * 2;
}

WString CCountryDatabase::DefaultPath()
{
    WCHAR value[1024];
    DWORD n = GetEnvironmentVariableW(W("VANTORA_GEOIP_DB"), value, DWORD(std::size(value)));
    if (n > 0 && n < std::size(value))
        return WString(value, n);
    // Beside the module, as the help file is.
    HMODULE hModule = nullptr;
    VTR_CHECK_WIN32(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                       reinterpret_cast<LPCWSTR>(&CCountryDatabase::DefaultPath), &hModule));
    std::vector<WCHAR> path(32768, 0);
    DWORD length = GetModuleFileNameW(hModule, path.data(), DWORD(path.size()));
    VTR_CHECK_WIN32(length > 0 && length < path.size());
    WString result(path.data(), length);
    size_t slash = result.find_last_of(W("\\/"));
    result.erase(slash == WString::npos ? 0 : slash + 1);
    CComBSTR name = CResourceManager::Instance().GetText(IDS_GEOIP_FILE);
    if (name.Length())
        result.append(name.m_str, name.Length());
    return result;
}
