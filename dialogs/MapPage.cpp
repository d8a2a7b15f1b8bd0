// The map page of located servers.
#include "dialogs/MapPage.h"

#include <windows.h>
#include <atlbase.h>
#include <shlwapi.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "__Utilities/ErrorInfo.h"

namespace {

const char HEX_DIGITS[] = "0123456789ABCDEF";

// A script string literal's content: printable ASCII stays, everything that could end the string, the
// script element or the line (quotes, backslash, "<", ">", "&", controls, U+2028/2029) and every
// non-ASCII unit, lone surrogates too, becomes \uXXXX.
std::string ScriptLiteral(const WCHAR* text, size_t length)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        unsigned c = static_cast<unsigned>(text[i]) & 0xFFFF;
        bool raw = c >= 0x20 && c < 0x7F && c != '\\' && c != '\'' && c != '"' && c != '<' && c != '>' && c != '&';
        if (raw) {
            out += char(c);
        } else {
            char escape[] = "\\u0000";
            for (int k = 0; k < 4; ++k)
                escape[2 + k] = HEX_DIGITS[(c >> (12 - 4 * k)) & 15];
            out += escape;
        }
    }
    return out;
}

std::string ScriptLiteral(const WString& text) { return ScriptLiteral(text.c_str(), text.size()); }

// A URL in an attribute: the characters a URL holds raw stay, the rest (quotes, "<", ">", "&", "#",
// white space, non-ASCII as UTF-8) are escaped, so neither the attribute nor the path can be cut short.
std::string AttributeUrl(const WCHAR* url)
{
    std::string out;
    auto escape = [&out](unsigned byte) {
        out += '%';
        out += HEX_DIGITS[(byte >> 4) & 15];
        out += HEX_DIGITS[byte & 15];
    };
    for (size_t i = 0; url[i]; ++i) {
        unsigned c = static_cast<unsigned>(url[i]) & 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && (static_cast<unsigned>(url[i + 1]) & 0xFC00) == 0xDC00) {
            c = 0x10000 + ((c - 0xD800) << 10) + ((static_cast<unsigned>(url[i + 1]) & 0xFFFF) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            bool raw = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       (c && std::strchr("-._~/:%@!$()*+,;=", int(c)));
            if (raw)
                out += char(c);
            else
                escape(c);
        } else if (c < 0x800) {
            escape(0xC0 | (c >> 6));
            escape(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            escape(0xE0 | (c >> 12));
            escape(0x80 | ((c >> 6) & 0x3F));
            escape(0x80 | (c & 0x3F));
        } else {
            escape(0xF0 | (c >> 18));
            escape(0x80 | ((c >> 12) & 0x3F));
            escape(0x80 | ((c >> 6) & 0x3F));
            escape(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A tile address template ("${z}/${x}/${y}"): the default, or the environment's VANTORA_TILES_<NAME>.
WString TileAddress(const WCHAR* variable, const WCHAR* fallback)
{
    WCHAR value[1024];
    DWORD n = GetEnvironmentVariableW(variable, value, DWORD(std::size(value)));
    return (n > 0 && n < std::size(value)) ? WString(value, n) : WString(fallback);
}

const char PAGE_HEAD[] =
    "<!DOCTYPE html>\n"
    "<html>\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<title>Vantora Map</title>\n"
    "<style>html, body, #mapdiv { width: 100%; height: 100%; margin: 0; padding: 0; }</style>\n"
    "</head>\n"
    "<body>\n"
    "<div id=\"mapdiv\"></div>\n";

// Everything after the coordinates. Markers and labels of a layer share its colour; labels are styled on
// each feature, so a label is drawn as text and never read as a style template.
const char PAGE_SCRIPT[] =
    "var lineStyles = [];\n"
    "var lineColors = ['#d63b00', '#006699', '#009900', '#c5b100'];\n"
    "for (var c = 0; c < lineColors.length; c++)\n"
    "    lineStyles.push({strokeColor: lineColors[c], strokeOpacity: 0.5, strokeWidth: 3});\n"
    "var markerImages = ['marker.png', 'marker-blue.png', 'marker-green.png', 'marker-gold.png'];\n"
    "var displayProjection = new OpenLayers.Projection('EPSG:4326');\n"
    "var map = new OpenLayers.Map('mapdiv', {\n"
    "    displayProjection: displayProjection,\n"
    "    controls: [new OpenLayers.Control.PanZoomBar(), new OpenLayers.Control.Navigation(),\n"
    "               new OpenLayers.Control.KeyboardDefaults(), new OpenLayers.Control.MousePosition(),\n"
    "               new OpenLayers.Control.ScaleLine(), new OpenLayers.Control.LayerSwitcher(),\n"
    "               new OpenLayers.Control.Attribution()]\n"
    "});\n"
    "var agent = navigator.userAgent;\n"
    "if (agent.indexOf('MSIE ') < 0 && agent.indexOf('Trident/') < 0 && agent.indexOf('Edge/') < 0)\n"
    "    map.addLayer(new OpenLayers.Layer.OSM('OpenStreetMap', osmTiles));\n"
    "map.addLayer(new OpenLayers.Layer.OSM('Wikimedia', wikimediaTiles, {attribution:\n"
    "    'Wikimedia maps | Map data &copy; <a href=\"https://www.openstreetmap.org/copyright\">OpenStreetMap</a> contributors'}));\n"
    "var mapProjection = map.getProjectionObject();\n"
    "var lastLayer = -1;\n"
    "for (var i = 0; i < coords.length; i++)\n"
    "    lastLayer = Math.max(lastLayer, coords[i][0]);\n"
    "var firstMarkers = null;\n"
    "for (var l = 0; l <= lastLayer; l++) {\n"
    "    var color = lineColors[l % lineColors.length];\n"
    "    var markers = new OpenLayers.Layer.Markers('Markers ' + l);\n"
    "    var labels = new OpenLayers.Layer.Vector('Labels ' + l);\n"
    "    var traces = new OpenLayers.Layer.Vector('Traces ' + l);\n"
    "    var iconSize = new OpenLayers.Size(21, 25);\n"
    "    var iconOffset = new OpenLayers.Pixel(-10.5, -25);\n"
    "    var iconUrl = OpenLayers.Util.getImageLocation(markerImages[l % markerImages.length]);\n"
    "    var previous = null;\n"
    "    var count = 0;\n"
    "    for (var i = 0; i < coords.length; i++) {\n"
    "        if (coords[i][0] != l)\n"
    "            continue;\n"
    "        var point = new OpenLayers.LonLat(coords[i][1], coords[i][2]).transform(displayProjection, mapProjection);\n"
    "        markers.addMarker(new OpenLayers.Marker(point, new OpenLayers.Icon(iconUrl, iconSize, iconOffset)));\n"
    "        var geometry = new OpenLayers.Geometry.Point(point.lon, point.lat);\n"
    "        labels.addFeatures([new OpenLayers.Feature.Vector(geometry, null, {\n"
    "            label: coords[i][3], fontColor: color, fontSize: '14px', fontFamily: 'Courier New, monospace',\n"
    "            fontWeight: 'bold', labelOutlineColor: 'white', labelOutlineWidth: 3, labelYOffset: 20,\n"
    "            pointRadius: 0, fillOpacity: 0, strokeOpacity: 0})]);\n"
    "        if (previous)\n"
    "            traces.addFeatures([new OpenLayers.Feature.Vector(new OpenLayers.Geometry.LineString(\n"
    "                [previous.clone(), geometry.clone()]), null, lineStyles[l % lineStyles.length])]);\n"
    "        previous = geometry;\n"
    "        count++;\n"
    "    }\n"
    "    var visible = l == 0;\n"
    "    markers.setVisibility(visible);\n"
    "    labels.setVisibility(visible);\n"
    "    traces.setVisibility(visible);\n"
    "    if (doLines && count > 1)\n"
    "        map.addLayer(traces);\n"
    "    map.addLayer(markers);\n"
    "    map.addLayer(labels);\n"
    "    if (l == 0 && count > 1)\n"
    "        firstMarkers = markers;\n"
    "}\n"
    "if (firstMarkers)\n"
    "    map.zoomToExtent(firstMarkers.getDataExtent());\n"
    "else\n"
    "    map.zoomToMaxExtent();\n"
    "</script>\n"
    "</body>\n"
    "</html>\n";

} // namespace

std::string CMapPage::Entry(int layer, double longitude, double latitude, const WString& label)
{
    bool valid = VTR_VERIFY_QUOTED(layer >= 0, E_INVALIDARG);
    valid = VTR_VERIFY_QUOTED(std::isfinite(longitude) && longitude >= -180.0 && longitude <= 180.0,
                              E_INVALIDARG) && valid;
    valid = VTR_VERIFY_QUOTED(std::isfinite(latitude) && latitude >= -90.0 && latitude <= 90.0,
                              E_INVALIDARG) && valid;
    if (!valid)
        return std::string();
    char numbers[96];
    int n = std::snprintf(numbers, sizeof(numbers), "[%d, %f, %f, '", layer, longitude, latitude);
    if (!VTR_VERIFY_QUOTED(n > 0 && size_t(n) < sizeof(numbers), E_UNEXPECTED))
        return std::string();
    return numbers + ScriptLiteral(label) + "']";
}

void CMapPage::Write(std::ostream& output, const std::vector<std::string>& groups, bool doLines)
{
    output << PAGE_HEAD;
    output << "<script src=\"" << LibraryUrl() << "\"></script>\n";
    output << "<script>\n";
    output << "const doLines = " << (doLines ? "true" : "false") << ";\n";
    output << "var coords = [\n";
    for (const std::string& group : groups) {
        // Entries never hold a raw "<", so a group that does was not made by Entry: it could end the script.
        if (!VTR_VERIFY_QUOTED(group.find('<') == std::string::npos, E_INVALIDARG))
            continue;
        output << group << ", \n";
    }
    output << "];\n";
    output << "var osmTiles = '"
           << ScriptLiteral(TileAddress(W("VANTORA_TILES_OSM"), W("https://tile.openstreetmap.org/${z}/${x}/${y}.png")))
           << "';\n";
    output << "var wikimediaTiles = '"
           << ScriptLiteral(TileAddress(W("VANTORA_TILES_WIKIMEDIA"),
                                        W("https://maps.wikimedia.org/osm-intl/${z}/${x}/${y}.png")))
           << "';\n";
    output << PAGE_SCRIPT;
}

std::string CMapPage::LibraryUrl()
{
    std::vector<WCHAR> path(32768, 0);
    DWORD length = GetModuleFileNameW(_AtlBaseModule.GetResourceInstance(), path.data(), DWORD(path.size()));
    if (!VTR_VERIFY_QUOTED(length > 0 && length < path.size(), E_FAIL))
        return std::string();
    WString library(path.data(), length);
    size_t slash = library.find_last_of(W('\\'));
    library.erase(slash == WString::npos ? 0 : slash + 1);
    library += W("openlayers\\OpenLayers.js");
    std::vector<WCHAR> url(library.size() * 12 + 64, 0);
    DWORD urlLength = DWORD(url.size());
    if (FAILED(VTR_VERIFY_HR(UrlCreateFromPathW(library.c_str(), url.data(), &urlLength, URL_ESCAPE_AS_UTF8))))
        return std::string();
    return AttributeUrl(url.data());
}
