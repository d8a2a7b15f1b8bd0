// A bare HTTP/1.0 GET to a loopback port, for looking at the twins' answers byte for byte. Kept apart from
// the platform layer's headers, which name some of the socket headers' macros too.
#pragma once

#include <string>

namespace twins_test {

struct RawAnswer {
    int status = -1; // -1: no answer
    std::string body;
};

// host: the Host header's value; by default the server's own address.
RawAnswer RawGet(int port, const std::string& target, const std::string& host = "");
// Sends bytes and reads until the server closes: what came back, empty also when it reset the connection.
std::string RawExchange(int port, const std::string& bytes);

} // namespace twins_test
