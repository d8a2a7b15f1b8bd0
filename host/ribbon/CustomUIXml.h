// The customUI document as a tree of elements, read by the system's XML parser of each build (libxml2 on
// Linux, MSXML on Windows) so that the ribbon model has one reading of it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ribbon {

struct XmlElement {
    std::string name; // local name, UTF-8
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<XmlElement> children; // elements only
};

// False with a reason when the text is not well-formed XML. Nothing is fetched and no entity is expanded.
bool ReadXmlDocument(const std::string& xml, XmlElement& root, std::string& error);

} // namespace ribbon
