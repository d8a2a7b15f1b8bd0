// The tor-geoipdb package's text files read by the tests themselves (their own parser and search, not the
// database compiler's nor the reader's), the compiled database beside the module, and the header
// addresses of the shared corpus found with the add-in's address classes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Utils/IPV4.h"
#include "Utils/IPV6.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

namespace testing_support {

// The C library's reading of an IPv6 text (InetText.cpp).
bool ParseV6Text(const std::string& text, unsigned char bytes[16]);

inline const char* kTextV4 = "/usr/share/tor/geoip";
inline const char* kTextV6 = "/usr/share/tor/geoip6";
inline std::string CompiledDatabase() { return std::string(VANTORA_BIN_DIR) + "/GeoCountries.dat"; }

using V6 = std::pair<uint64_t, uint64_t>;

inline V6 V6FromBytes(const unsigned char* b)
{
    V6 v{0, 0};
    for (int i = 0; i < 8; ++i) {
        v.first = v.first << 8 | b[i];
        v.second = v.second << 8 | b[8 + i];
    }
    return v;
}

inline void V6ToBytes(V6 v, unsigned char* b)
{
    for (int i = 7; i >= 0; --i) {
        b[i] = (unsigned char)(v.first & 0xFF);
        b[8 + i] = (unsigned char)(v.second & 0xFF);
        v.first >>= 8;
        v.second >>= 8;
    }
}

struct TextRanges {
    std::map<uint32_t, std::pair<uint32_t, std::string>> v4; // first -> last, code
    std::map<V6, std::pair<V6, std::string>> v6;

    // The code the text gives the address; empty when no range holds it or its code is "??".
    std::string Find(uint32_t a) const
    {
        auto it = v4.upper_bound(a);
        if (it == v4.begin())
            return "";
        --it;
        return a <= it->second.first && it->second.second != "??" ? it->second.second : "";
    }
    std::string Find(V6 a) const
    {
        auto it = v6.upper_bound(a);
        if (it == v6.begin())
            return "";
        --it;
        return a <= it->second.first && it->second.second != "??" ? it->second.second : "";
    }

    static const TextRanges& Get()
    {
        static TextRanges ranges = Read();
        return ranges;
    }

private:
    static TextRanges Read()
    {
        TextRanges r;
        std::ifstream in4(kTextV4);
        std::string line;
        while (std::getline(in4, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            unsigned long first = 0, last = 0;
            char code[3] = {};
            if (sscanf(line.c_str(), "%lu,%lu,%2s", &first, &last, code) == 3)
                r.v4[uint32_t(first)] = {uint32_t(last), code};
        }
        std::ifstream in6(kTextV6);
        while (std::getline(in6, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            size_t c1 = line.find(','), c2 = line.rfind(',');
            unsigned char a[16], b[16];
            if (ParseV6Text(line.substr(0, c1), a) && ParseV6Text(line.substr(c1 + 1, c2 - c1 - 1), b))
                r.v6[V6FromBytes(a)] = {V6FromBytes(b), line.substr(c2 + 1)};
        }
        return r;
    }
};

// The addresses in the header parts of the corpus messages, as the add-in's address classes read them.
struct CorpusAddresses {
    std::set<std::string> v4, v6;

    static const CorpusAddresses& Get()
    {
        static CorpusAddresses found = Read();
        return found;
    }

private:
    static CorpusAddresses Read()
    {
        CorpusAddresses found;
        for (const auto& entry : std::filesystem::directory_iterator(CorpusPath("eml"))) {
            if (entry.path().extension() != ".eml")
                continue;
            std::string text = ReadFile(entry.path().string());
            size_t end = text.find("\n\n");
            size_t endCrlf = text.find("\r\n\r\n");
            text = text.substr(0, std::min(end, endCrlf));
            for (size_t at = 0; (at = text.find("IPv6:", at)) != std::string::npos;)
                text.replace(at, 5, "     ");
            auto isPart = [](char c) { return isxdigit((unsigned char)c) || c == ':' || c == '.'; };
            for (size_t i = 0; i < text.size();) {
                if (!isPart(text[i])) {
                    ++i;
                    continue;
                }
                size_t j = i;
                while (j < text.size() && isPart(text[j]))
                    ++j;
                std::string token = text.substr(i, j - i);
                while (!token.empty() && token.back() == '.')
                    token.pop_back();
                i = j;
                std::u16string wide = pal::ToWide(token);
                IPV4_address v4;
                IPV6_address v6;
                if (v4.Read(wide.c_str()) && v4.IsValid())
                    found.v4.insert(token);
                else if (token.find(':') != std::string::npos && v6.Read(wide.c_str()) && v6.IsValid())
                    found.v6.insert(token);
            }
        }
        return found;
    }
};

} // namespace testing_support
