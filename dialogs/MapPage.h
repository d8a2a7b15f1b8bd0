// The map page of located servers: a fixed HTML document whose script draws each coordinate group as a
// layer of markers, labels and, for header addresses, traces over web map tiles. The script library is
// the copy installed next to the module, so only the tiles need the internet.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "__Utilities/WString.h"

class CMapPage {
public:
    // One entry of a coordinate group: "[layer, longitude, latitude, 'label']". The label is written as a
    // script string literal that no host name can break out of. Empty (and logged) when a coordinate is
    // not a finite number within its range.
    static std::string Entry(int layer, double longitude, double latitude, const WString& label);

    // The whole page over the coordinate groups (each group its entries joined by ", \n").
    static void Write(std::ostream& output, const std::vector<std::string>& groups, bool doLines);

    // The address of the installed script library (a file URL next to the module).
    static std::string LibraryUrl();
};
