// The map page's entries: whatever a label holds, its entry is printable ASCII, its string literal has no
// character that could end the string, the line or the script element, and reading the escapes back
// gives the label unit for unit. The first 8 bytes choose the coordinates' signs and sizes.
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "dialogs/MapPage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Prefix();
    fuzz::TrimErrorLog();
    if (size < 8)
        return 0;
    int16_t raw[4];
    std::memcpy(raw, data, sizeof(raw));
    int layer = raw[0] % 8;
    double longitude = raw[1] / 100.0, latitude = raw[2] / 200.0;
    std::u16string label = fuzz::Text(data + 8, size - 8);
    std::string entry = CMapPage::Entry(layer, longitude, latitude, WString(label.begin(), label.end()));
    bool valid = layer >= 0 && longitude >= -180.0 && longitude <= 180.0 && latitude >= -90.0 && latitude <= 90.0;
    FUZZ_ASSERT(entry.empty() == !valid);
    if (!valid)
        return 0;
    size_t open = entry.find('\'');
    FUZZ_ASSERT(open != std::string::npos && entry.size() >= open + 3);
    FUZZ_ASSERT(entry.compare(entry.size() - 2, 2, "']") == 0);
    std::string literal = entry.substr(open + 1, entry.size() - open - 3);
    std::u16string decoded;
    for (size_t i = 0; i < literal.size(); ++i) {
        char c = literal[i];
        FUZZ_ASSERT(c >= 0x20 && c < 0x7F && !std::strchr("'\"<>&", c));
        if (c != '\\') {
            decoded += char16_t(c);
            continue;
        }
        FUZZ_ASSERT(i + 5 < literal.size() && literal[i + 1] == 'u');
        FUZZ_ASSERT(literal.find_first_not_of("0123456789ABCDEF", i + 2) >= i + 6);
        decoded += char16_t(std::stoul(literal.substr(i + 2, 4), nullptr, 16));
        i += 5;
    }
    FUZZ_ASSERT(decoded == label);
    return 0;
}
