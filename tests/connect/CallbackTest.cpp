// The ribbon callbacks as Outlook calls them, by name through the dispatch interface, and the link
// gallery's items: their count, size, drawn picture and super tip, and the shortened addresses.
#include "ConnectTestUtil.h"

#include "pal/gdi.h"

using namespace connect_test;

namespace {

class CallbackTest : public ConnectTest {
protected:
    void SetUp() override
    {
        // Outlook finds the callbacks' names in the registered type library, as registration leaves it.
        ASSERT_EQ(S_OK, _AtlModule.DllRegisterServer());
        Start();
    }

    // Invoke by name with the control last and the index first, as Office passes them.
    HRESULT Call(const char16_t* name, int id, VARIANT* result, long index = -1)
    {
        CComPtr<IDispatch> disp;
        EXPECT_EQ(S_OK, connect->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp)));
        DISPID dispid = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = disp->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
        if (FAILED(hr))
            return hr;
        Control control(id);
        VARIANTARG args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        UINT count = 1;
        if (index >= 0) {
            args[0].vt = VT_I4;
            args[0].lVal = index;
            args[1].vt = VT_DISPATCH;
            args[1].pdispVal = &control;
            count = 2;
        } else {
            args[0].vt = VT_DISPATCH;
            args[0].pdispVal = &control;
        }
        DISPPARAMS params = {args, nullptr, count, 0};
        VariantInit(result);
        EXCEPINFO info = {};
        UINT argErr = 0;
        hr = disp->Invoke(dispid, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, &info, &argErr);
        EXPECT_EQ(1, control.refs) << "the control's references balance";
        return hr;
    }
    std::string Text(const char16_t* name, int id, long index = -1)
    {
        CComVariant result;
        EXPECT_EQ(S_OK, Call(name, id, &result, index)) << Str(name);
        return result.vt == VT_BSTR ? Str(result.bstrVal, true) : std::string();
    }
    long Number(const char16_t* name, int id)
    {
        CComVariant result;
        EXPECT_EQ(S_OK, Call(name, id, &result)) << Str(name);
        return result.vt == VT_I4 ? result.lVal : -1;
    }
};

TEST_F(CallbackTest, LabelsTipsAndStatesByName)
{
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Label(ID_IP_LABEL[0]), Text(u"GetLabelCB", ID_IP_LABEL[0]));
    EXPECT_EQ(ToolTip(ID_IP_MAIN[0]), Text(u"GetToolTipCB", ID_IP_MAIN[0]));
    EXPECT_EQ(SuperTip(ID_IP_MAIN[0]), Text(u"GetSuperTipCB", ID_IP_MAIN[0]));
    CComVariant flag;
    ASSERT_EQ(S_OK, Call(u"GetIsEnabledCB", ID_MSG_TEXT, &flag));
    EXPECT_EQ(VT_BOOL, flag.vt);
    EXPECT_EQ(VARIANT_TRUE, flag.boolVal);
    flag.Clear();
    ASSERT_EQ(S_OK, Call(u"GetIsVisibleCB", ID_RIBBON_ATTACHMENTS_GROUP, &flag));
    EXPECT_EQ(VARIANT_FALSE, flag.boolVal);
    // An empty text comes back as a null string.
    CComVariant empty;
    ASSERT_EQ(S_OK, Call(u"GetSuperTipCB", ID_STATUS, &empty));
    EXPECT_TRUE(empty.vt == VT_EMPTY || (empty.vt == VT_BSTR && empty.bstrVal == nullptr));
}

TEST_F(CallbackTest, ImagesArePicturesOfTheButtonsIcons)
{
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    CComVariant picture;
    ASSERT_EQ(S_OK, Call(u"GetImageCB", ID_STATUS, &picture));
    ASSERT_EQ(VT_DISPATCH, picture.vt);
    LONG width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_EQ(S_OK, pal::PicturePixels(picture.pdispVal, &width, &height, &pixels));
    EXPECT_EQ(32, width);
    EXPECT_EQ(32, height);
    // A location button without a record has no picture.
    CComVariant none;
    EXPECT_EQ(S_OK, Call(u"GetImageCB", ID_IP_ITEM_FIRST[0] + 3, &none));
    EXPECT_TRUE(none.vt == VT_EMPTY || (none.vt == VT_DISPATCH && !none.pdispVal));
}

TEST_F(CallbackTest, BadCallsGetTheirErrors)
{
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    Control unknown(4242), label(ID_SENDER_NAME), button(ID_STATUS);
    BSTR text = nullptr;
    EXPECT_EQ(E_POINTER, connect->GetLabelCB(&unknown, &text));
    EXPECT_EQ(E_INVALIDARG, connect->GetLabelCB(nullptr, &text));
    EXPECT_EQ(E_INVALIDARG, connect->GetLabelCB(&button, nullptr));
    BSTR taken = SysAllocString(u"keep");
    EXPECT_EQ(E_INVALIDARG, connect->GetToolTipCB(&button, &taken));
    EXPECT_EQ("keep", Str(taken, true));
    SysFreeString(taken);
    IPictureDisp* picture = nullptr;
    EXPECT_EQ(E_POINTER, connect->GetImageCB(&label, &picture)) << "a label is no button";
    long count = 0;
    EXPECT_EQ(E_POINTER, connect->GetItemCountCB(&button, &count)) << "a button is no gallery";
    EXPECT_EQ(E_INVALIDARG, connect->GetItemCountCB(&button, nullptr));
    // No link server on the row of this gallery.
    Select("eml/mail-error_emails-missing_body.eml");
    ASSERT_TRUE(connect->GetEmailData().GetEmailLinks().GetLinkServers().empty());
    Control gallery(ID_LINK_GALLERY[0]);
    EXPECT_EQ(E_UNEXPECTED, connect->GetItemCountCB(&gallery, &count));
    EXPECT_EQ(DISP_E_UNKNOWNNAME, [&] {
        CComVariant r;
        return Call(u"NoSuchCallback", ID_STATUS, &r);
    }());
}

TEST_F(CallbackTest, GalleryItemsAreDrawnLinks)
{
    Select("eml/mail-error_emails-content_transfer_encoding_with_8bits.eml");
    ASSERT_TRUE(Settle());
    const IPInfo4Links& server = connect->GetEmailData().GetEmailLinks().GetLinkServers().at(0);
    long count = Number(u"GetItemCountCB", ID_LINK_GALLERY[0]);
    EXPECT_EQ(long(server.links.size()), count);
    long height = Number(u"GetItemHeightCB", ID_LINK_GALLERY[0]);
    EXPECT_EQ(connect->GetTextHeight(1) + 2 * connect->GetTextHeight(0) + 2, height);
    long width = Number(u"GetItemWidthCB", ID_LINK_GALLERY[0]);
    EXPECT_GT(width, 100);

    CComVariant picture;
    ASSERT_EQ(S_OK, Call(u"GetItemImageCB", ID_LINK_GALLERY[0], &picture, 0));
    ASSERT_EQ(VT_DISPATCH, picture.vt);
    LONG w = 0, h = 0;
    std::vector<uint32_t> pixels;
    ASSERT_EQ(S_OK, pal::PicturePixels(picture.pdispVal, &w, &h, &pixels));
    EXPECT_EQ(width, w);
    EXPECT_EQ(height, h);
    // White ground with black, blue and (for the file line) coloured text drawn on it.
    size_t blue = 0, dark = 0;
    for (uint32_t p : pixels) {
        uint8_t b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
        if (b > r + 60 && b > g + 60)
            ++blue;
        if (r < 80 && g < 80 && b < 80)
            ++dark;
    }
    EXPECT_GT(blue, 20u) << "the original address in blue";
    EXPECT_GT(dark, 20u) << "the labels in black";

    EXPECT_EQ("Details", Text(u"GetItemScreenTipCB", ID_LINK_GALLERY[0], 0));
    CComVariant label;
    EXPECT_EQ(S_OK, Call(u"GetItemLabelCB", ID_LINK_GALLERY[0], &label, 0));
    std::string tip = Text(u"GetItemSuperTipCB", ID_LINK_GALLERY[0], 0);
    EXPECT_NE(std::string::npos, tip.find("http")) << tip;
    // Beyond the last link.
    Control gallery(ID_LINK_GALLERY[0]);
    IPictureDisp* beyond = nullptr;
    EXPECT_EQ(E_INVALIDARG, connect->GetItemImageCB(&gallery, count, &beyond));
    EXPECT_EQ(nullptr, beyond);
    // Through the dispatch interface the failure comes back as an exception with its code.
    CComVariant result;
    EXPECT_EQ(DISP_E_EXCEPTION, Call(u"GetItemImageCB", ID_LINK_GALLERY[0], &result, count));
}

TEST(ShortenedAddressTest, PathsFitOrAreCut)
{
    auto shorten = [](const char16_t* url, const char16_t* neighbour, int length) {
        return Str(CConnect::shortenOriginalURL(url, neighbour, length).c_str());
    };
    EXPECT_EQ(" ", shorten(u"", nullptr, 80));
    EXPECT_EQ("example.com", shorten(u"http://example.com", nullptr, 80));
    EXPECT_EQ("example.com", shorten(u"http://example.com/", nullptr, 80));
    EXPECT_EQ("./a/b?c=d", shorten(u"http://example.com/a/b?c=d", nullptr, 80));

    std::u16string exact = u"http://h.example/" + std::u16string(78, u'p'); // "./" and 78: exactly 80
    EXPECT_EQ(80u, shorten(exact.c_str(), nullptr, 80).size());
    EXPECT_EQ("./", shorten(exact.c_str(), nullptr, 80).substr(0, 2));
    std::u16string over = exact + u"x";
    std::string cut = shorten(over.c_str(), nullptr, 80);
    EXPECT_EQ(80u, cut.size());
    EXPECT_EQ("...", cut.substr(77));

    // A neighbour sharing the beginning: the text starts where they part, at the last "/" or "&".
    std::u16string base = u"http://h.example/" + std::u16string(70, u'd') + u"/section/";
    std::u16string one = base + u"page-one", two = base + u"page-two";
    EXPECT_EQ("./../page-one", shorten(one.c_str(), two.c_str(), 80));
    EXPECT_EQ(E_INVALIDARG, [&] {
        try {
            shorten(one.c_str(), nullptr, 3);
        } catch (const CErrorInfo& e) {
            return e.GetCode();
        }
        return S_OK;
    }());
}

TEST(ShortenedAddressTest, RedirectsShowTheirHostOnce)
{
    auto text = [](const char16_t* redirect, const char16_t* original) {
        return Str(CConnect::redirectText(redirect, original, nullptr).c_str());
    };
    EXPECT_EQ(" ", text(u"", u"http://a.example/x"));
    EXPECT_EQ("./landing", text(u"http://A.example/landing", u"http://a.example/x"));
    EXPECT_EQ("b.example/offer.zip", text(u"http://b.example/offer.zip", u"http://a.example/x"));
    EXPECT_EQ("b.example", text(u"http://b.example", u"http://a.example/x"));
    // A host too long to leave room for the path keeps a short cut path rather than failing.
    std::u16string longHost = u"http://" + std::u16string(90, u'h') + u".example/some/long/path";
    EXPECT_EQ(0u, text(longHost.c_str(), u"http://a.example/").find(std::string(90, 'h')));
}

} // namespace
