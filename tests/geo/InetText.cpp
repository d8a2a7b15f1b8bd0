// IPv6 texts read by the C library, apart from the add-in's headers (which name the same constants).
#include <arpa/inet.h>

#include <string>

namespace testing_support {

bool ParseV6Text(const std::string& text, unsigned char bytes[16])
{
    return inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

} // namespace testing_support
