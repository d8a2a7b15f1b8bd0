// The providers' answer readers: the first byte chooses a provider (or one of the value readers with the
// first line as its tag); the rest is the body of an answer. Whatever a server sends, a record holds
// coordinates in range (0 when there is none) and a terminated country code, and no reader writes past
// its buffer.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "geo/GeoLocationProviders.h"

namespace {

std::vector<std::unique_ptr<CIPRequest>>& Providers()
{
    static std::vector<std::unique_ptr<CIPRequest>> all = [] {
        fuzz::Prefix();
        std::vector<std::unique_ptr<CIPRequest>> p;
        p.emplace_back(new CKeyCDN);
        p.emplace_back(new CIpApiCo);
        p.emplace_back(new CDbIpCom);
        p.emplace_back(new CIPGeolocation);
        p.emplace_back(new CIpInfoDB);
        p.emplace_back(new CIPStack);
        p.emplace_back(new CIpApiCom);
        p.emplace_back(new CIpInfoIo);
        p.emplace_back(new CWhoIsXMLApi);
        p.emplace_back(new CIp2Location);
        return p;
    }();
    return all;
}

void CheckRecord(const IPLocationInfo& info)
{
    FUZZ_ASSERT(std::isfinite(info.latitude) && std::fabs(info.latitude) <= 90);
    FUZZ_ASSERT(std::isfinite(info.longitude) && std::fabs(info.longitude) <= 180);
    FUZZ_ASSERT(std::memchr(info.countryCode, 0, sizeof(info.countryCode)));
}

// The value readers on their own, into a buffer of exactly the given capacity (the sanitizer sees any write
// past it).
void Readers(const std::u16string& tag, const std::u16string& body, size_t capacity)
{
    // Zeroed as the records' own buffers are: an absent XML element reads as empty and leaves it untouched.
    std::unique_ptr<WCHAR[]> buffer(new WCHAR[capacity]());
    if (CIPRequest::getJSONValue(body.c_str(), tag.c_str(), buffer.get(), capacity))
        FUZZ_ASSERT(std::char_traits<WCHAR>::find(buffer.get(), capacity, 0));
    if (CIPRequest::getXMLValue(body.c_str(), tag.c_str(), buffer.get(), capacity))
        FUZZ_ASSERT(std::char_traits<WCHAR>::find(buffer.get(), capacity, 0));
    CComBSTR text;
    CIPRequest::getJSONValue(body.c_str(), tag.c_str(), text);
    CIPRequest::getXMLValue(body.c_str(), tag.c_str(), text);
    double number = 0;
    CIPRequest::getJSONValue(body.c_str(), tag.c_str(), number);
    CIPRequest::getXMLValue(body.c_str(), tag.c_str(), number);
    if (CIPRequest::getJSONValue(body.c_str(), tag.c_str(), number, -90, 90))
        FUZZ_ASSERT(number >= -90 && number <= 90);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto& providers = Providers();
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    std::u16string body = fuzz::CString(fuzz::Text(data + 1, size - 1));
    if (mode < 0x80) {
        IPLocationInfo info;
        providers[mode % providers.size()]->processResult(body.c_str(), &info);
        CheckRecord(info);
    } else {
        size_t eol = body.find(u'\n');
        std::u16string tag = body.substr(0, eol);
        std::u16string rest = eol == std::u16string::npos ? std::u16string() : body.substr(eol + 1);
        Readers(tag, rest, 1 + (mode & 0x1F));
    }
    fuzz::TrimErrorLog();
    return 0;
}
