// Loopback twins of the geo-location services the add-in asks by default: what each answers to a request
// target. The answer depends on the address alone, so two runs (Linux and Wine) see the same locations.
#pragma once

#include <string>
#include <vector>

namespace twins {

enum class Service { KeyCDN, IpApiCo, DbIp };

struct ServiceInfo {
    Service service;
    const char* suffix; // of the add-in's VANTORA_ENDPOINT_<SUFFIX> variable
};

// The twins, in the order of the environment file.
const std::vector<ServiceInfo>& Services();

struct TwinAnswer {
    int status = 200;
    std::string contentType;
    std::string body;
};

// The service's answer to a request target (path and query, as sent). A target that is not one of the
// service's requests is a 404.
TwinAnswer Answer(Service service, const std::string& target);

// What the twins make of an address text: a public address or host name is located from a fixed table
// picked by a hash of its canonical text; anything else is answered as the service answers an address it
// cannot place.
enum class AddressKind { Public, Reserved, HostName, Invalid };
AddressKind Classify(const std::string& text, std::string& canonical);

} // namespace twins
