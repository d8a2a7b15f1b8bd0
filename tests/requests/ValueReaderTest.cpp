// The providers' JSON and XML value readers, with their deliberate quirks.
#include <gtest/gtest.h>

#include "Utils/IPRequest.h"
#include "support/GeoTestUtil.h"

using testing_support::Utf8;

namespace {

std::string Json(const WCHAR* text, const WCHAR* key, size_t capacity = 256)
{
    WCHAR buffer[256];
    buffer[0] = W('#');
    if (!CIPRequest::getJSONValue(text, key, buffer, capacity))
        return "<false>";
    return pal::ToUtf8(buffer);
}

TEST(JsonReader, FindsStringValuesByKeyIgnoringCase)
{
    EXPECT_EQ(Json(W("{\"City\" :\t \"Paris\",\"x\":1}"), W("city")), "Paris");
    EXPECT_EQ(Json(W("{\"a\":{\"city\":\"Lyon\"}}"), W("city")), "Lyon"); // nesting is ignored
    EXPECT_EQ(Json(W("{\"city\":\"\"}"), W("city")), "<false>");           // empty
    EXPECT_EQ(Json(W("{\"city\":12}"), W("city")), "<false>");             // only strings
    EXPECT_EQ(Json(W("{\"city\"=\"x\"}"), W("city")), "<false>");
    EXPECT_EQ(Json(W("{\"city\":\"open"), W("city")), "<false>");
    EXPECT_EQ(Json(W("{}"), W("city")), "<false>");
}

TEST(JsonReader, AnEarlierQuotedValueWithTheKeysNameWins)
{
    // "city" first occurs as a value: that occurrence is the match, has no colon, and the lookup fails.
    EXPECT_EQ(Json(W("{\"name\":\"city\",\"city\":\"Rome\"}"), W("city")), "<false>");
    // Closing quotes count as openings too: "x\":\"city" never lines up, the key itself does.
    EXPECT_EQ(Json(W("{\"x\":\"a\",\"city\":\"Rome\"}"), W("city")), "Rome");
}

TEST(JsonReader, EscapesAndCapacity)
{
    EXPECT_EQ(Json(W("{\"o\":\"say \\\"hi\\\" a\\/b \\\\\"}"), W("o")), "say \"hi\" a/b \\");
    EXPECT_EQ(Json(W("{\"o\":\"line\\nbreak\"}"), W("o")), "<false>");
    EXPECT_EQ(Json(W("{\"o\":\"abcdef\"}"), W("o"), 4), "abc"); // cut, terminated, never past the buffer
    EXPECT_EQ(Json(W("{\"o\":\"ab\\\"cdef\"}"), W("o"), 4), "ab\"");
    WCHAR small[1];
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"o\":\"x\"}"), W("o"), small, 0));
    EXPECT_FALSE(CIPRequest::getJSONValue(nullptr, W("o"), small, 1));
}

TEST(JsonReader, TextFormLeavesTheStringAloneOnFailure)
{
    CComBSTR value(W("keep"));
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"o\":\"\"}"), W("o"), value));
    EXPECT_EQ(Utf8(value), "keep");
    std::u16string longValue(400, W('z'));
    std::u16string text = W("{\"o\":\"") + longValue + W("\"}");
    EXPECT_TRUE(CIPRequest::getJSONValue(text.c_str(), W("o"), value));
    EXPECT_EQ(value.Length(), 255u);
}

TEST(JsonReader, Numbers)
{
    double v = -1;
    EXPECT_TRUE(CIPRequest::getJSONValue(W("{\"lat\":\"48.5\"}"), W("lat"), v));
    EXPECT_EQ(v, 48.5);
    EXPECT_TRUE(CIPRequest::getJSONValue(W("{\"lat\": 12.25, \"x\":1}"), W("lat"), v));
    EXPECT_EQ(v, 12.25);
    // A bare number closing the object is not read, nor one under a key of other letter case.
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"lat\":7}"), W("lat"), v));
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"LAT\":7,}"), W("lat"), v));
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"lat\":\"12x\"}"), W("lat"), v));
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"lat\":null,\"x\":1}"), W("lat"), v));
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"lat\":,\"x\":1}"), W("lat"), v)); // no number at all
    EXPECT_EQ(v, 12.25);

    double lat = 1, lon = 1;
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"lat\":95,}"), W("lat"), lat, -90, 90));
    EXPECT_EQ(lat, 0);
    EXPECT_TRUE(CIPRequest::getJSONValue(W("{\"lon\":-180,}"), W("lon"), lon, -180, 180));
    EXPECT_EQ(lon, -180);
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"lon\":\"nan\"}"), W("lon"), lon, -180, 180));
    EXPECT_EQ(lon, 0);
}

TEST(NumberReaders, ANumberCutToTheBufferIsNoNumber)
{
    // Twenty characters do not fit the nineteen of the number buffer: cut, they would read as 45.
    double v = 7;
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"lat\":\"45.0000000000000000e9\"}"), W("lat"), v));
    EXPECT_EQ(v, 7);
    double lat = 7;
    EXPECT_FALSE(CIPRequest::getJSONValue(W("{\"lat\":\"45.0000000000000000e9\"}"), W("lat"), lat, -90, 90));
    EXPECT_EQ(lat, 7);
    EXPECT_FALSE(CIPRequest::getXMLValue(W("<r><latitude>45.0000000000000000e9</latitude></r>"), W("latitude"), v));
    EXPECT_EQ(v, 7);
    // Nineteen characters still fit, in both forms; a bare number longer than the scan is refused too.
    EXPECT_TRUE(CIPRequest::getJSONValue(W("{\"lat\":\"-12.500000000000000\"}"), W("lat"), v));
    EXPECT_EQ(v, -12.5);
    EXPECT_TRUE(CIPRequest::getXMLValue(W("<latitude>-12.250000000000000</latitude>"), W("latitude"), v));
    EXPECT_EQ(v, -12.25);
    EXPECT_TRUE(CIPRequest::getJSONValue(W("{\"lat\": 45.0000000000000000e-1, \"x\":1}"), W("lat"), v));
    EXPECT_EQ(v, 4.5);
    std::u16string tooLong = W("{\"lat\": 4.") + std::u16string(100, W('0')) + W("1e1, \"x\":1}");
    EXPECT_FALSE(CIPRequest::getJSONValue(tooLong.c_str(), W("lat"), v));
    EXPECT_EQ(v, 4.5);
}

TEST(XmlReader, ElementsWithoutAttributes)
{
    WCHAR buffer[50] = {};
    const WCHAR* xml = W("<root><error>True</error><reason x=\"1\">r</reason><city>Oslo</city><e></e></root>");
    EXPECT_TRUE(CIPRequest::getXMLValue(xml, W("ERROR"), buffer, 50));
    EXPECT_EQ(pal::ToUtf8(buffer), "True");
    buffer[0] = W('#');
    buffer[1] = 0;
    EXPECT_TRUE(CIPRequest::getXMLValue(xml, W("reason"), buffer, 50)); // with attributes: absent
    EXPECT_EQ(pal::ToUtf8(buffer), "#");
    EXPECT_FALSE(CIPRequest::getXMLValue(xml, W("e"), buffer, 50)); // empty content
    EXPECT_FALSE(CIPRequest::getXMLValue(W("<a>x<b/></a>"), W("a"), buffer, 50));
    EXPECT_TRUE(CIPRequest::getXMLValue(W("<city>Bergen</city>"), W("city"), buffer, 4));
    EXPECT_EQ(pal::ToUtf8(buffer), "Ber");

    double v = 5;
    EXPECT_TRUE(CIPRequest::getXMLValue(W("<r><latitude>59.9</latitude></r>"), W("latitude"), v));
    EXPECT_EQ(v, 59.9);
    EXPECT_TRUE(CIPRequest::getXMLValue(W("<r></r>"), W("latitude"), v)); // absent reads as 0
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(CIPRequest::getXMLValue(W("<latitude>1e</latitude>x"), W("latitude"), v));
}

} // namespace
