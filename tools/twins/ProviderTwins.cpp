// The answers of the provider twins, in each service's own format (the forms the add-in's readers in
// geo/ProvidersKeyless.cpp take). No clock, counter or random number goes into an answer.
#include "ProviderTwins.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace twins {

namespace {

struct Location {
    const char* code;
    const char* country;
    const char* continentCode;
    const char* continent;
    const char* region;
    const char* regionCode;
    const char* city;
    const char* postal;
    double latitude;
    double longitude;
    const char* timezone;
    int asn;
    const char* isp;
    const char* domain; // of the made-up reverse names
};

// Non-ASCII names on purpose: both builds must carry UTF-8 answers through unchanged.
const Location kLocations[] = {
    {"US", "United States", "NA", "North America", "California", "CA", "Mountain View", "94043", 37.4056, -122.0775,
     "America/Los_Angeles", 64500, "Twin Cloud Inc.", "cloud.example.net"},
    {"DE", "Germany", "EU", "Europe", "Hesse", "HE", "Frankfurt am Main", "60313", 50.1109, 8.6821, "Europe/Berlin",
     64501, "Twin Hosting GmbH", "hosting.example.de"},
    {"GB", "United Kingdom", "EU", "Europe", "England", "ENG", "London", "EC1A 1BB", 51.5074, -0.1278,
     "Europe/London", 64502, "Twin Telecom plc", "telecom.example.co.uk"},
    {"FR", "France", "EU", "Europe", "Île-de-France", "IDF", "Paris", "75001", 48.8566, 2.3522, "Europe/Paris", 64503,
     "Twin Réseaux SA", "reseaux.example.fr"},
    {"JP", "Japan", "AS", "Asia", "Tokyo", "13", "Chiyoda", "100-0001", 35.6940, 139.7536, "Asia/Tokyo", 64504,
     "Twin Net KK", "net.example.jp"},
    {"BR", "Brazil", "SA", "South America", "São Paulo", "SP", "São Paulo", "01000-000", -23.5505, -46.6333,
     "America/Sao_Paulo", 64505, "Twin Telecomunicações Ltda", "telecom.example.com.br"},
    {"AU", "Australia", "OC", "Oceania", "New South Wales", "NSW", "Sydney", "2000", -33.8688, 151.2093,
     "Australia/Sydney", 64506, "Twin Broadband Pty Ltd", "broadband.example.com.au"},
    {"CA", "Canada", "NA", "North America", "Ontario", "ON", "Toronto", "M5H 2N2", 43.6532, -79.3832,
     "America/Toronto", 64507, "Twin Communications", "comms.example.ca"},
    {"CH", "Switzerland", "EU", "Europe", "Zurich", "ZH", "Zürich", "8001", 47.3769, 8.5417, "Europe/Zurich", 64508,
     "Twin Datacenter AG", "dc.example.ch"},
    {"RU", "Russia", "EU", "Europe", "Moscow", "MOW", "Москва", "101000", 55.7558, 37.6173, "Europe/Moscow", 64509,
     "Twin Svyaz JSC", "svyaz.example.ru"},
    {"IN", "India", "AS", "Asia", "Maharashtra", "MH", "Mumbai", "400001", 19.0760, 72.8777, "Asia/Kolkata", 64510,
     "Twin Infotech Pvt Ltd", "infotech.example.in"},
    {"ZA", "South Africa", "AF", "Africa", "Gauteng", "GP", "Johannesburg", "2001", -26.2041, 28.0473,
     "Africa/Johannesburg", 64511, "Twin Online (Pty) Ltd", "online.example.co.za"},
};
constexpr size_t kLocationCount = sizeof(kLocations) / sizeof(kLocations[0]);

uint64_t Hash(const std::string& text)
{
    uint64_t h = 14695981039346656037ULL; // FNV-1a
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

// The row a service places the address in. DB-IP places about a third of the addresses in another
// country than the other two, so that the add-in's "providers disagree" note shows up.
const Location& Locate(Service service, const std::string& canonical)
{
    uint64_t h = Hash(canonical);
    size_t row = size_t(h % kLocationCount);
    if (service == Service::DbIp && (h >> 32) % 3 == 0)
        row = (row + 5) % kLocationCount;
    return kLocations[row];
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        int hi, lo;
        if (text[i] == '%' && i + 2 < text.size() && (hi = HexValue(text[i + 1])) >= 0 &&
            (lo = HexValue(text[i + 2])) >= 0) {
            out += char(hi * 16 + lo);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool InV4(uint32_t a, uint32_t net, int bits) { return bits == 0 || (a >> (32 - bits)) == (net >> (32 - bits)); }

uint32_t V4(int a, int b, int c, int d) { return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | uint32_t(d); }

bool ReservedV4(uint32_t a)
{
    static const struct {
        uint32_t net;
        int bits;
    } ranges[] = {
        {V4(0, 0, 0, 0), 8},       {V4(10, 0, 0, 0), 8},     {V4(100, 64, 0, 0), 10},  {V4(127, 0, 0, 0), 8},
        {V4(169, 254, 0, 0), 16},  {V4(172, 16, 0, 0), 12},  {V4(192, 0, 0, 0), 24},   {V4(192, 0, 2, 0), 24},
        {V4(192, 88, 99, 0), 24},  {V4(192, 168, 0, 0), 16}, {V4(198, 18, 0, 0), 15},  {V4(198, 51, 100, 0), 24},
        {V4(203, 0, 113, 0), 24},  {V4(224, 0, 0, 0), 4},    {V4(240, 0, 0, 0), 4},
    };
    for (const auto& r : ranges)
        if (InV4(a, r.net, r.bits))
            return true;
    return false;
}

bool ReservedV6(const unsigned char* b)
{
    static const unsigned char zero[16] = {};
    if (std::memcmp(b, zero, 15) == 0 && b[15] <= 1)
        return true; // :: and ::1
    static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::memcmp(b, mapped, 12) == 0)
        return ReservedV4(V4(b[12], b[13], b[14], b[15]));
    if (b[0] == 0x00 && b[1] == 0x64 && b[2] == 0xff && b[3] == 0x9b)
        return true; // 64:ff9b::/96 and its local-use neighbour
    if (b[0] == 0x01 && b[1] == 0x00 && std::memcmp(b + 2, zero, 6) == 0)
        return true; // 100::/64, discard-only
    if (b[0] == 0x20 && b[1] == 0x01 && b[2] < 0x02)
        return true; // 2001::/23, IETF protocol assignments (TEREDO, ORCHID...)
    if (b[0] == 0x20 && b[1] == 0x01 && b[2] == 0x0d && b[3] == 0xb8)
        return true; // documentation
    if (b[0] == 0x20 && b[1] == 0x02)
        return true; // 6to4
    if ((b[0] & 0xfe) == 0xfc || (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) || b[0] == 0xff)
        return true; // unique local, link-local, multicast
    return false;
}

bool HostNameText(const std::string& text)
{
    if (text.empty() || text.size() > 253 || text.front() == '.' || text.front() == '-')
        return false;
    bool letter = false;
    size_t label = 0;
    for (char c : text) {
        if (c == '.') {
            if (label == 0)
                return false;
            label = 0;
            continue;
        }
        bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alpha && !(c >= '0' && c <= '9') && c != '-' && c != '_')
            return false;
        letter = letter || alpha;
        if (++label > 63)
            return false;
    }
    return letter; // all digits and dots is a malformed IPv4 address, not a name
}

std::string JsonText(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof(buffer), "\\u%04x", c);
            out += buffer;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string XmlText(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20)
                out += c;
        }
    }
    return out;
}

std::string Number(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.4f", value);
    return buffer;
}

// A made-up address of the location's network, for the fields where the service names the address a host
// name resolved to.
std::string AddressOfName(const std::string& canonical)
{
    uint64_t h = Hash(canonical);
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%u.%u.%u.%u", unsigned(11 + h % 180), unsigned((h >> 8) & 0xff),
                  unsigned((h >> 16) & 0xff), unsigned(1 + (h >> 24) % 254));
    return buffer;
}

std::string ReverseName(const std::string& canonical, const Location& at)
{
    std::string name = "host-";
    for (char c : canonical)
        name += (c == '.' || c == ':') ? '-' : c;
    return name + "." + at.domain;
}

TwinAnswer Json(std::string body)
{
    return {200, "application/json; charset=utf-8", std::move(body)};
}

TwinAnswer NotFound()
{
    return {404, "text/plain; charset=utf-8", "404 page not found\n"};
}

// tools.keycdn.com/geo.json?host=ADDRESS. An address it cannot place is a success with empty fields.
TwinAnswer KeyCdn(const std::string& query)
{
    std::string canonical;
    AddressKind kind = Classify(query, canonical);
    if (kind == AddressKind::Invalid)
        return Json(R"({"status":"error","description":"Please provide a valid IP address or hostname."})");
    std::string host = JsonText(canonical);
    if (kind == AddressKind::Reserved)
        return Json(R"({"status":"success","description":"Data successfully received.","data":{"geo":{"host":)" + host +
                    R"(,"ip":)" + host + R"(,"rdns":)" + host +
                    R"(,"asn":null,"isp":null,"country_name":null,"country_code":null,"region_name":null,)"
                    R"("region_code":null,"city":null,"postal_code":null,"continent_name":null,"continent_code":null,)"
                    R"("latitude":null,"longitude":null,"metro_code":null,"timezone":null}}})");
    const Location& at = Locate(Service::KeyCDN, canonical);
    std::string ip = kind == AddressKind::HostName ? AddressOfName(canonical) : canonical;
    std::string rdns = kind == AddressKind::HostName ? canonical : ReverseName(canonical, at);
    return Json(R"({"status":"success","description":"Data successfully received.","data":{"geo":{"host":)" + host +
                R"(,"ip":)" + JsonText(ip) + R"(,"rdns":)" + JsonText(rdns) + R"(,"asn":)" + std::to_string(at.asn) +
                R"(,"isp":)" + JsonText(at.isp) + R"(,"country_name":)" + JsonText(at.country) +
                R"(,"country_code":)" + JsonText(at.code) + R"(,"region_name":)" + JsonText(at.region) +
                R"(,"region_code":)" + JsonText(at.regionCode) + R"(,"city":)" + JsonText(at.city) +
                R"(,"postal_code":)" + JsonText(at.postal) + R"(,"continent_name":)" + JsonText(at.continent) +
                R"(,"continent_code":)" + JsonText(at.continentCode) + R"(,"latitude":)" + Number(at.latitude) +
                R"(,"longitude":)" + Number(at.longitude) + R"(,"metro_code":null,"timezone":)" +
                JsonText(at.timezone) + "}}}");
}

// ipapi.co/ADDRESS/xml/. Addresses only; the others are errors with a reason.
TwinAnswer IpApiCo(const std::string& address)
{
    std::string canonical;
    AddressKind kind = Classify(address, canonical);
    const char* head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root>";
    TwinAnswer answer{200, "application/xml; charset=utf-8", ""};
    if (kind != AddressKind::Public) {
        bool reserved = kind == AddressKind::Reserved;
        answer.body = std::string(head) + "<ip>" + XmlText(reserved ? canonical : address) + "</ip><error>True</error>" +
                      (reserved ? "<reason>Reserved IP Address</reason><reserved>True</reserved>"
                                : "<reason>Invalid IP Address</reason>") +
                      "</root>";
        return answer;
    }
    const Location& at = Locate(Service::IpApiCo, canonical);
    bool v6 = canonical.find(':') != std::string::npos;
    answer.body = std::string(head) + "<ip>" + XmlText(canonical) + "</ip><version>" + (v6 ? "IPv6" : "IPv4") +
                  "</version><city>" + XmlText(at.city) + "</city><region>" + XmlText(at.region) +
                  "</region><region_code>" + XmlText(at.regionCode) + "</region_code><country>" + at.code +
                  "</country><country_name>" + XmlText(at.country) + "</country_name><country_code>" + at.code +
                  "</country_code><continent_code>" + at.continentCode + "</continent_code><postal>" +
                  XmlText(at.postal) + "</postal><latitude>" + Number(at.latitude) + "</latitude><longitude>" +
                  Number(at.longitude) + "</longitude><timezone>" + at.timezone + "</timezone><asn>AS" +
                  std::to_string(at.asn) + "</asn><org>" + XmlText(at.isp) + "</org></root>";
    return answer;
}

// api.db-ip.com/v2/KEY/ADDRESS, any key. Addresses only.
TwinAnswer DbIp(const std::string& address)
{
    std::string canonical;
    if (Classify(address, canonical) != AddressKind::Public)
        return Json(R"({"errorCode":"INVALID_ADDRESS","error":"invalid address"})");
    const Location& at = Locate(Service::DbIp, canonical);
    return Json(R"({"ipAddress":)" + JsonText(canonical) + R"(,"continentCode":)" + JsonText(at.continentCode) +
                R"(,"continentName":)" + JsonText(at.continent) + R"(,"countryCode":)" + JsonText(at.code) +
                R"(,"countryName":)" + JsonText(at.country) + R"(,"stateProvCode":)" + JsonText(at.regionCode) +
                R"(,"stateProv":)" + JsonText(at.region) + R"(,"city":)" + JsonText(at.city) + R"(,"zipCode":)" +
                JsonText(at.postal) + R"(,"latitude":)" + Number(at.latitude) + R"(,"longitude":)" +
                Number(at.longitude) + R"(,"organization":)" + JsonText(at.isp) + "}");
}

} // namespace

const std::vector<ServiceInfo>& Services()
{
    static const std::vector<ServiceInfo> services = {
        {Service::KeyCDN, "KEYCDN"},
        {Service::IpApiCo, "IPAPICO"},
        {Service::DbIp, "DBIP"},
    };
    return services;
}

AddressKind Classify(const std::string& text, std::string& canonical)
{
    canonical.clear();
    if (text.empty() || text.size() > 253)
        return AddressKind::Invalid;
    in_addr v4{};
    in6_addr v6{};
    char buffer[INET6_ADDRSTRLEN] = {};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        inet_ntop(AF_INET, &v4, buffer, sizeof(buffer));
        canonical = buffer;
        return ReservedV4(ntohl(v4.s_addr)) ? AddressKind::Reserved : AddressKind::Public;
    }
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
        inet_ntop(AF_INET6, &v6, buffer, sizeof(buffer));
        canonical = buffer;
        return ReservedV6(v6.s6_addr) ? AddressKind::Reserved : AddressKind::Public;
    }
    if (!HostNameText(text))
        return AddressKind::Invalid;
    for (char c : text)
        canonical += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return AddressKind::HostName;
}

TwinAnswer Answer(Service service, const std::string& target)
{
    switch (service) {
    case Service::KeyCDN: {
        const std::string prefix = "/geo.json?host=";
        if (target.compare(0, prefix.size(), prefix) != 0)
            return NotFound();
        std::string host = target.substr(prefix.size());
        host = host.substr(0, host.find('&'));
        return KeyCdn(PercentDecoded(host));
    }
    case Service::IpApiCo: {
        const std::string suffix = "/xml/";
        if (target.size() <= suffix.size() + 1 || target[0] != '/' ||
            target.compare(target.size() - suffix.size(), suffix.size(), suffix) != 0)
            return NotFound();
        std::string address = target.substr(1, target.size() - 1 - suffix.size());
        if (address.find('/') != std::string::npos || address.find('?') != std::string::npos)
            return NotFound();
        return IpApiCo(PercentDecoded(address));
    }
    case Service::DbIp: {
        const std::string prefix = "/v2/";
        if (target.compare(0, prefix.size(), prefix) != 0)
            return NotFound();
        size_t slash = target.find('/', prefix.size());
        if (slash == std::string::npos || slash == prefix.size() || target.find('?') != std::string::npos)
            return NotFound();
        std::string address = target.substr(slash + 1);
        if (address.empty() || address.find('/') != std::string::npos)
            return NotFound();
        return DbIp(PercentDecoded(address));
    }
    }
    return NotFound();
}

} // namespace twins
