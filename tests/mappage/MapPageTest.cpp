// The map page of located servers: its coordinate entries, where it finds its script library, and the
// page itself as a real browser runs it (without network: the tiles fail, the rest must not).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include <windows.h>
#include <atlbase.h>

#include "__Utilities/ErrorLog.h"
#include "dialogs/MapPage.h"
#include "pal/host.h"
#include "support/Command.h"
#include "support/TestPrefix.h"
#include "support/TestUtil.h"

namespace {

using testing_support::LogText;

// The UTF-16 units of a text as the page's checker prints them: four hexadecimal digits each.
std::string Units(const std::u16string& text)
{
    std::string out;
    char unit[8];
    for (char16_t c : text) {
        std::snprintf(unit, sizeof(unit), "%s%04x", out.empty() ? "" : " ", unsigned(c));
        out += unit;
    }
    return out;
}

TEST(MapPageEntry, NumbersAndPlainLabel)
{
    EXPECT_EQ("[0, 8.541694, 47.376887, 'mail.example.com']", CMapPage::Entry(0, 8.541694, 47.376887, u"mail.example.com"));
    EXPECT_EQ("[3, -180.000000, 90.000000, '']", CMapPage::Entry(3, -180.0, 90.0, u""));
    EXPECT_EQ("[1, 180.000000, -90.000000, '2001:db8::1']", CMapPage::Entry(1, 180.0, -90.0, u"2001:db8::1"));
    EXPECT_EQ("", LogText());
}

TEST(MapPageEntry, LabelsCannotLeaveTheirStringOrScript)
{
    const char16_t hostile[] = u"a'b\"c\\d</script>&\n\r\t\u2028\u2029\u00e9\U0001F600";
    std::u16string label(hostile);
    label += char16_t(0xD800); // a lone surrogate
    label += u"z";
    EXPECT_EQ("[0, 1.000000, 2.000000, 'a\\u0027b\\u0022c\\u005Cd\\u003C/script\\u003E\\u0026\\u000A\\u000D"
              "\\u0009\\u2028\\u2029\\u00E9\\uD83D\\uDE00\\uD800z']",
              CMapPage::Entry(0, 1.0, 2.0, label));
}

TEST(MapPageEntry, CoordinatesOutsideTheirRangesAreRefusedAndLogged)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double lon : {nan, inf, -inf, 180.0001, -180.5})
        EXPECT_EQ("", CMapPage::Entry(0, lon, 0.0, u"x")) << lon;
    std::string log = LogText();
    EXPECT_NE(std::string::npos, log.find("longitude >= -180.0")) << log;
    EXPECT_NE(std::string::npos, log.find("CMapPage::Entry")) << log;
    for (double lat : {nan, inf, 90.5, -91.0})
        EXPECT_EQ("", CMapPage::Entry(0, 0.0, lat, u"x")) << lat;
    EXPECT_NE(std::string::npos, LogText().find("latitude >= -90.0"));
    EXPECT_EQ("", CMapPage::Entry(-1, 0.0, 0.0, u"x"));
    EXPECT_NE(std::string::npos, LogText().find("layer >= 0"));
}

// The folder of the module the add-in code runs in, as a Linux path.
std::string ModuleFolder()
{
    WCHAR module[4096];
    DWORD n = GetModuleFileNameW(_AtlBaseModule.GetResourceInstance(), module, 4096);
    std::string path = pal::ToUnixPath(std::u16string(module, n).c_str());
    return path.substr(0, path.find_last_of('/'));
}

TEST(MapPageLibrary, InstalledBesideTheModules)
{
    std::string url = CMapPage::LibraryUrl();
    EXPECT_EQ("file://" + ModuleFolder() + "/openlayers/OpenLayers.js", url);
    for (const std::string& folder : {ModuleFolder(), std::string(VANTORA_BIN_DIR)})
        for (const char* file : {"OpenLayers.js", "copyright", "img/marker.png", "img/marker-blue.png",
                                 "img/marker-green.png", "img/marker-gold.png", "theme/default/style.css"})
            EXPECT_TRUE(std::filesystem::exists(folder + "/openlayers/" + file)) << folder << " " << file;
}

// Runs the page in headless Chromium and returns what the checker appended to it found, one fact a line.
class MapPageInBrowser : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (testing_support::RunCommand("command -v chromium >/dev/null 2>&1 && echo yes").out.empty())
            GTEST_SKIP() << "chromium is not installed (tools/install-deps.sh installs it)";
        // Tiles from a closed loopback port: they fail at once.
        setenv("VANTORA_TILES_OSM", "http://127.0.0.1:9/${z}/${x}/${y}.png", 1);
        setenv("VANTORA_TILES_WIKIMEDIA", "http://127.0.0.1:9/w/${z}/${x}/${y}.png", 1);
        m_dir = testing_support::Prefix();
    }

    std::string Page(const std::vector<std::string>& groups, bool doLines)
    {
        std::ostringstream page;
        CMapPage::Write(page, groups, doLines);
        return page.str();
    }

    std::string Chromium(const std::string& arguments, const std::string& page)
    {
        std::string file = m_dir + "/Map.html";
        testing_support::WriteFile(file, page);
        std::string command = "timeout -k 5 90 chromium --headless --no-sandbox --disable-gpu --no-first-run "
                              "--user-data-dir='" + m_dir + "/chromium' --virtual-time-budget=5000 " +
                              arguments + " 'file://" + file + "' 2>/dev/null";
        return testing_support::RunCommand(command).out;
    }

    std::string Run(const std::vector<std::string>& groups, bool doLines)
    {
        std::string dom = Chromium("--dump-dom", Page(groups, doLines) + kChecker);
        size_t start = dom.find("<pre id=\"result\">");
        size_t end = dom.find("</pre>", start);
        if (start == std::string::npos || end == std::string::npos)
            return "no result in:\n" + dom.substr(0, 2000);
        start += std::strlen("<pre id=\"result\">");
        return dom.substr(start, end - start);
    }

    static const char kChecker[];
    std::string m_dir;
};

// Records the state the page left, then shows every layer at the world's zoom and reads what was drawn:
// marker images (and whether those drawn by the page loaded), label texts (as UTF-16 units) and trace
// lines of each layer.
const char MapPageInBrowser::kChecker[] = R"(<script>
(function() {
  var out = [];
  function units(s) {
    var u = [];
    for (var i = 0; i < s.length; i++) u.push(('000' + s.charCodeAt(i).toString(16)).slice(-4));
    return u.join(' ');
  }
  out.push('title ' + document.title);
  if (typeof OpenLayers == 'undefined' || typeof map == 'undefined') {
    out.push('openlayers missing');
  } else {
    out.push('openlayers ' + OpenLayers.VERSION_NUMBER);
    var zoom = map.getZoom();
    var layers = map.layers.filter(function(l) { return !l.isBaseLayer; });
    map.layers.forEach(function(l) { if (l.isBaseLayer) out.push('base ' + l.name); });
    layers.forEach(function(l) { out.push('layer ' + l.name + ' ' + l.getVisibility()); });
    map.zoomToMaxExtent();
    out.push('world ' + (zoom == map.getZoom()));
    layers.forEach(function(l) { l.setVisibility(true); });
    layers.forEach(function(l) {
      var images = l.div.getElementsByTagName('img');
      for (var i = 0; i < images.length; i++)
        out.push('marker ' + l.name + ' ' + images[i].src.substring(images[i].src.lastIndexOf('/') + 1) + ' ' +
                 (images[i].complete && images[i].naturalWidth > 0));
      var texts = l.div.getElementsByTagName('text');
      for (var i = 0; i < texts.length; i++) out.push('label ' + l.name + ' ' + units(texts[i].textContent));
      out.push('lines ' + l.name + ' ' + l.div.getElementsByTagName('polyline').length);
    });
  }
  var pre = document.createElement('pre');
  pre.id = 'result';
  pre.textContent = out.join('\n') + '\n';
  document.body.appendChild(pre);
  // Chromium's DOM dump prints nothing at all when a text holds a lone surrogate: the map goes first.
  var div = document.getElementById('mapdiv');
  div.parentNode.removeChild(div);
})();
</script>
)";

const char16_t kHostile[] = u"</script><script>document.title='pwned'</script>";

std::vector<std::string> ThreeServersAndOne(const std::u16string& lone)
{
    return {CMapPage::Entry(0, 8.54, 47.37, u"mx.example.ch") + ", \n" +
                CMapPage::Entry(0, 8.68, 50.11, kHostile) + ", \n" +
                CMapPage::Entry(0, 2.35, 48.85, u"\u6771\u4eac \"quoted\" 'single' \\ & <b>"),
            CMapPage::Entry(1, 139.69, 35.69, lone)};
}

TEST_F(MapPageInBrowser, EveryServerHasItsMarkerLabelAndTraces)
{
    std::u16string lone = u"lone ";
    lone += char16_t(0xDC01);
    std::string result = Run(ThreeServersAndOne(lone), true);

    EXPECT_NE(std::string::npos, result.find("title Vantora Map\n")) << result;
    EXPECT_NE(std::string::npos, result.find("openlayers Release 2.13.1")) << result;
    EXPECT_NE(std::string::npos, result.find("base OpenStreetMap\n")) << result;
    EXPECT_NE(std::string::npos, result.find("base Wikimedia\n")) << result;
    // Only the first layer is shown at first, zoomed to its markers.
    for (const char* line : {"layer Markers 0 true", "layer Labels 0 true", "layer Traces 0 true",
                             "layer Markers 1 false", "layer Labels 1 false"})
        EXPECT_NE(std::string::npos, result.find(std::string(line) + "\n")) << line << "\n" << result;
    EXPECT_EQ(std::string::npos, result.find("Traces 1")) << "one marker has no trace\n" << result;
    EXPECT_EQ(std::string::npos, result.find("world true\n")) << result;

    for (const char* marker : {"marker Markers 0 marker.png true", "marker Markers 1 marker-blue.png "})
        EXPECT_NE(std::string::npos, result.find(marker)) << marker << "\n" << result;
    std::string labels0 = "label Labels 0 ";
    for (const std::u16string& label : {std::u16string(u"mx.example.ch"), std::u16string(kHostile),
                                        std::u16string(u"\u6771\u4eac \"quoted\" 'single' \\ & <b>")})
        EXPECT_NE(std::string::npos, result.find(labels0 + Units(label) + "\n")) << Units(label) << "\n" << result;
    EXPECT_NE(std::string::npos, result.find("label Labels 1 " + Units(lone) + "\n")) << result;
    // Three markers, two traces between them.
    EXPECT_NE(std::string::npos, result.find("lines Traces 0 2\n")) << result;
    size_t markers = 0;
    for (size_t at = result.find("marker Markers 0 "); at != std::string::npos; at = result.find("marker Markers 0 ", at + 1))
        ++markers;
    EXPECT_EQ(3u, markers) << result;
}

TEST_F(MapPageInBrowser, LinkServersHaveNoTracesAndOneMarkerShowsTheWorld)
{
    std::string result = Run({CMapPage::Entry(0, 8.54, 47.37, u"a.example") + ", \n" +
                                  CMapPage::Entry(0, -74.0, 40.71, u"b.example"),
                              CMapPage::Entry(1, 2.35, 48.85, u"c.example")},
                             false);
    EXPECT_NE(std::string::npos, result.find("openlayers Release 2.13.1")) << result;
    EXPECT_EQ(std::string::npos, result.find("Traces")) << result;
    EXPECT_NE(std::string::npos, result.find("layer Markers 1 false")) << result;

    result = Run({CMapPage::Entry(0, 8.54, 47.37, u"only.example")}, true);
    EXPECT_NE(std::string::npos, result.find("world true\n")) << result;
    EXPECT_NE(std::string::npos, result.find("layer Markers 0 true")) << result;
    EXPECT_EQ(std::string::npos, result.find("Traces")) << result;
}

TEST_F(MapPageInBrowser, GroupsNotMadeByEntryAreLeftOut)
{
    std::string result = Run({"[0, 1.0, 1.0, 'a'], [0, 2.0, 2.0, '</script><script>document.title=1</script>']",
                              CMapPage::Entry(0, 8.54, 47.37, u"kept.example")},
                             true);
    EXPECT_NE(std::string::npos, result.find("title Vantora Map\n")) << result;
    EXPECT_NE(std::string::npos, result.find("label Labels 0 " + Units(u"kept.example") + "\n")) << result;
    EXPECT_NE(std::string::npos, LogText().find("group.find('<') == std::string::npos"));
}

// A picture of three located servers in the build folder, for a person to look at.
TEST_F(MapPageInBrowser, Screenshot)
{
    std::string png = std::string(VANTORA_BIN_DIR) + "/../mappage-screenshot.png";
    std::filesystem::remove(png);
    std::string page = Page({CMapPage::Entry(0, 8.54, 47.37, u"mx1.example.ch") + ", \n" +
                             CMapPage::Entry(0, 8.68, 50.11, u"relay.example.de") + ", \n" +
                             CMapPage::Entry(0, 2.35, 48.85, u"\u00e9t\u00e9.example.fr")},
                            true);
    Chromium("--window-size=1024,700 --screenshot='" + png + "'", page);
    ASSERT_TRUE(std::filesystem::exists(png));
    EXPECT_GT(std::filesystem::file_size(png), 10000u);
}

} // namespace
