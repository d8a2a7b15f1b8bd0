// vgeoipdb GEOIP GEOIP6 OUTPUT: compiles the tor-geoipdb package's country ranges into the add-in's country
// database. The output is written beside its final name and renamed, so a failed run leaves the old file.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "GeoIpCompiler.h"

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: vgeoipdb GEOIP GEOIP6 OUTPUT\n"
                     "  e.g. vgeoipdb /usr/share/tor/geoip /usr/share/tor/geoip6 GeoCountries.dat\n";
        return 2;
    }
    try {
        geoipdb::Table table;
        for (int i = 1; i <= 2; ++i) {
            try {
                geoipdb::ParseText(ReadFile(argv[i]), i == 2, table);
            } catch (const std::runtime_error& e) {
                throw std::runtime_error(std::string(argv[i]) + ": " + e.what());
            }
        }
        std::vector<unsigned char> image = geoipdb::Compile(table);
        std::string temp = std::string(argv[3]) + ".tmp";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
            if (!out.flush())
                throw std::runtime_error("cannot write " + temp);
        }
        if (std::rename(temp.c_str(), argv[3]) != 0)
            throw std::runtime_error("cannot rename " + temp + " to " + argv[3]);
        std::cout << "vgeoipdb: " << table.v4.size() << " IPv4 and " << table.v6.size() << " IPv6 ranges, "
                  << image.size() << " bytes\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "vgeoipdb: " << e.what() << "\n";
        return 1;
    }
}
