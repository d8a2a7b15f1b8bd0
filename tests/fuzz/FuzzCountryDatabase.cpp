// The country database reader, on files another program (or a damaged disk) may have left. The first byte
// is a mode: with its low bit set the target recomputes the checksum first, so that inputs reach the
// checks behind it. A file is either refused whole or answers only valid codes.
#include <cstring>
#include <vector>

#include <zlib.h>

#include "FuzzSupport.h"
#include "geo/CountryDatabase.h"
#include "geo/CountryDatabaseFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Prefix();
    fuzz::TrimErrorLog();
    if (size == 0)
        return 0;
    std::vector<BYTE> image(data + 1, data + size);
    if ((data[0] & 1) && image.size() >= country_db::HEADER_SIZE) {
        uint32_t crc = uint32_t(crc32(crc32(0, Z_NULL, 0), image.data() + country_db::HEADER_SIZE,
                                      uInt(image.size() - country_db::HEADER_SIZE)));
        memcpy(image.data() + country_db::OFFSET_CHECKSUM, &crc, 4);
    }
    CCountryDatabase db;
    bool loaded = db.Parse(image.data(), image.size());
    FUZZ_ASSERT(loaded == db.IsLoaded());
    FUZZ_ASSERT(loaded || db.GetRangeCount() == 0);

    // Addresses at and around the input's own bytes, so that starts taken from the input are hit exactly.
    auto valid = [](const WCHAR* code) {
        return code[0] >= 'A' && code[0] <= 'Z' && code[1] >= 'A' && code[1] <= 'Z' && code[2] == 0;
    };
    for (size_t at = 0; at + 16 <= image.size() && at < 4096; at += 4) {
        uint32_t v4 = 0;
        memcpy(&v4, &image[at], 4);
        WCHAR code[3] = {};
        for (uint32_t a : {v4, v4 - 1, v4 + 1})
            if (db.LookupV4(a, code))
                FUZZ_ASSERT(loaded && valid(code));
        if (db.LookupV6(&image[at], code))
            FUZZ_ASSERT(loaded && valid(code));
    }
    return 0;
}
