// The renderings of a fixed ribbon: the add-in's own customUI document with values set as the add-in
// sets them for a message (a hidden group, multi-line tips, link galleries with drawn items).
#include <gtest/gtest.h>

#include <cairo.h>

#include <cctype>
#include <cstring>

#include <fstream>
#include <functional>
#include <sstream>

#include "host/ribbon/RibbonRender.h"
#include "support/JsonReader.h"
#include "support/TestPrefix.h"

namespace {

ribbon::Picture Square(long w, long h, uint32_t colour)
{
    ribbon::Picture p;
    p.width = w;
    p.height = h;
    p.pixels.assign(size_t(w * h), colour);
    return p;
}

void ForEach(std::vector<ribbon::Control>& controls, const std::function<void(ribbon::Control&)>& fn)
{
    for (ribbon::Control& c : controls) {
        fn(c);
        ForEach(c.children, fn);
    }
}

ribbon::ShownMessage Shown()
{
    std::ifstream in(std::string(VANTORA_SOURCE_DIR) + "/tests/data/ribbon.xml");
    std::stringstream xml;
    xml << in.rdbuf();
    ribbon::ShownMessage shown;
    shown.file = "mail.eml";
    std::string error;
    EXPECT_TRUE(ribbon::ParseCustomUI(xml.str(), shown.ribbon, error)) << error;
    const std::map<long, std::string> labels = {
        {1000, "Info"}, {1065, "Message"}, {1069, "Message Header"}, {1070, "Plain Text"}, {1071, "Content"},
        {1072, "From:"}, {1073, "   Jane \"JD\" Doe"}, {1074, "   jane@example.org"}, {1076, "Status"},
        {1001, "IP / Location"}, {1002, "192.0.2.1"}, {1003, "2001:db8::1"}, {1004, "     .     .     .     "},
        {1006, "Frankfurt, DE"}, {1012, "Paris, FR"}, {1018, "               "}, {1027, "Attachments"},
        {1037, "Links"}, {1038, "www.example.com"}, {1039, "cdn.example.net"}, {1040, "www.______.com"},
        {1080, "Preferences"}, {1081, "Validation Options"}, {1082, "Help"}, {1083, "Help"}, {1084, "About"}};
    ForEach(shown.ribbon.tabs, [&](ribbon::Control& c) {
        c.dirty = false;
        long n = c.Number();
        if (auto it = labels.find(n); it != labels.end())
            c.label = it->second;
        if (!c.Attribute("getImage").empty())
            c.image = Square(c.Large() ? 32 : 16, c.Large() ? 32 : 16, n % 2 ? 0xFF2060C0 : 0xFFC04020);
        c.visible = n != 1027 && n != 1040 && n != 1041;
        c.enabled = n != 1066 && n != 1068;
        if (n == 1076) {
            c.screentip = "Warnings";
            c.supertip = "Attachment \"a.exe\" is a program\nLink server in a watched country";
        }
        if (n == 1038 || n == 1039) {
            c.itemCount = 2;
            c.itemWidth = 260;
            c.itemHeight = 44;
            for (int i = 0; i < 2; ++i) {
                ribbon::GalleryItem item;
                item.screentip = "Details";
                item.supertip = "Protocol :\thttps\nPath :\t\t/a/b";
                item.image = Square(260, 44, 0xFFFFFFFF);
                for (long x = 10; x < 200; ++x)
                    item.image->pixels[size_t(20 * 260 + x)] = 0xFF0000FF;
                c.items.push_back(item);
            }
        }
    });
    return shown;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

const std::string* LineWith(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& l : lines)
        if (l.find(part) != std::string::npos)
            return &l;
    return nullptr;
}

TEST(RibbonText, GroupsAreIndentedAndTheirRowsAligned)
{
    std::string text = ribbon::RenderText(Shown());
    std::vector<std::string> lines = Lines(text);
    ASSERT_GE(lines.size(), 3u) << text;
    EXPECT_EQ(lines[0], "mail.eml");
    EXPECT_EQ(lines[1], "  tab \"Info\" (1000)");
    EXPECT_TRUE(LineWith(lines, "    Message [1065]")) << text;
    EXPECT_TRUE(LineWith(lines, "    Attachments [1027]: hidden")) << text;
    // Label and state columns line up within a group.
    const std::string* header = LineWith(lines, "\"Message Header\"");
    const std::string* plain = LineWith(lines, "\"Plain Text\"");
    const std::string* rtf = LineWith(lines, "1068");
    ASSERT_TRUE(header && plain && rtf) << text;
    EXPECT_EQ(header->find('"'), plain->find('"'));
    EXPECT_EQ(header->find("enabled"), rtf->find("disabled"));
    EXPECT_NE(header->find("image 32x32"), std::string::npos);
    // A multi-line super tip keeps its lines under each other.
    const std::string* first = LineWith(lines, "super tip: Attachment");
    const std::string* second = LineWith(lines, "Link server in a watched country");
    ASSERT_TRUE(first && second) << text;
    EXPECT_EQ(first->find("Attachment"), second->find("Link server"));
    // Galleries list their items with both tips; hidden controls take one line, their menus none.
    EXPECT_TRUE(LineWith(lines, "items: 2, each 260x44")) << text;
    EXPECT_TRUE(LineWith(lines, "item 2: picture 260x44")) << text;
    EXPECT_TRUE(LineWith(lines, "screen tip: Details")) << text;
    const std::string* hidden = LineWith(lines, "1041");
    ASSERT_TRUE(hidden) << text;
    EXPECT_NE(hidden->find("hidden"), std::string::npos);
    EXPECT_FALSE(LineWith(lines, "1043")) << "a hidden split button's menu is not listed";
}

using testing_support::JsonReader;

TEST(RibbonJson, IsOneValidDocumentWithEveryCallbackValue)
{
    ribbon::ShownMessage second = Shown();
    second.file = "tab\there.eml";
    second.complete = false;
    second.waitSeconds = 2.5;
    std::string json = ribbon::RenderJson({Shown(), second});
    EXPECT_TRUE(JsonReader(json).Document()) << json;
    EXPECT_TRUE(JsonReader(ribbon::RenderJson({})).Document());
    EXPECT_NE(json.find("\"label\": \"   Jane \\\"JD\\\" Doe\""), std::string::npos);
    EXPECT_NE(json.find("\"supertip\": \"Attachment \\\"a.exe\\\" is a program\\nLink server"), std::string::npos);
    EXPECT_NE(json.find("\"supertip\": \"Protocol :\\thttps\\nPath :\\t\\t/a/b\""), std::string::npos);
    EXPECT_NE(json.find("\"file\": \"tab\\there.eml\",\n    \"complete\": false,\n    \"waitSeconds\": 2.5"),
              std::string::npos);
    EXPECT_NE(json.find("\"id\": \"_Office_Addin_Ctrl_Tag_1076\",\n"), std::string::npos);
}

uint32_t Pixel(cairo_surface_t* s, int x, int y)
{
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s))[x] &
           0xFFFFFF;
}

TEST(RibbonPng, DrawsTheTabAsARibbonWithTheGalleryPictures)
{
    std::string path = testing_support::Prefix() + "/ribbon.png";
    std::string error;
    ASSERT_TRUE(ribbon::RenderPng(Shown(), path, error)) << error;
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    // Six visible groups side by side, and the open galleries below the ribbon.
    EXPECT_GT(w, 600);
    EXPECT_GT(h, 130 + 2 * 44);
    size_t blue = 0, other = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = Pixel(s, x, y);
            blue += p == 0x0000FF; // the line drawn into the gallery items
            other += p != 0xFFFFFF;
        }
    EXPECT_GE(blue, 4u * 190u);
    EXPECT_GT(other, size_t(w) * 30);
    cairo_surface_destroy(s);

    ribbon::ShownMessage hidden = Shown();
    hidden.ribbon.tabs[0].visible = false;
    ASSERT_TRUE(ribbon::RenderPng(hidden, path, error)) << error;
    s = cairo_image_surface_create_from_png(path.c_str());
    EXPECT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    EXPECT_LT(cairo_image_surface_get_width(s), 400);
    cairo_surface_destroy(s);

    EXPECT_FALSE(ribbon::RenderPng(Shown(), "/nonexistent/dir/x.png", error));
    EXPECT_NE(error.find("/nonexistent/dir/x.png"), std::string::npos);
}

TEST(RibbonPng, EachFurtherMessageGetsANumberedFile)
{
    EXPECT_EQ(ribbon::PngPath("out/ribbon.png", 0), "out/ribbon.png");
    EXPECT_EQ(ribbon::PngPath("out/ribbon.png", 1), "out/ribbon-2.png");
    EXPECT_EQ(ribbon::PngPath("out.d/ribbon", 2), "out.d/ribbon-3.png");
}

} // namespace
