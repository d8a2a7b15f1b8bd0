// A dialog of the module's templates as JSON (controls, states, rich text runs with their colours) and
// as a PNG of the window's size with its pictures.
#include <cairo.h>

#include "support/JsonReader.h"
#include "dialogs/DialogTestUtil.h"
#include "host/dialogs/DialogJson.h"
#include "host/dialogs/DialogPng.h"
#include "support/TestPrefix.h"

namespace {

using namespace dialogs_test;

// The options' page controls by tab, as the add-in moves them onto the tab control.
const std::vector<std::vector<int>> kPages = {
    {IDLC_PROVIDERS, IDC_PENDING_ICON, IDC_PENDING_TEXT},
    {IDC_GROUP_RIBBON, IDC_SHOW_CONTENT, IDC_SHOW_IP_LOCATION, IDC_SHOW_ATTACHMENTS, IDC_SHOW_LINKS,
     IDC_GROUP_CONNECTION, IDC_TIMEOUT_LABEL, IDE_REPLY_TIMEOUT, IDUD_REPLY_TIMEOUT, IDC_RETRY_LABEL,
     IDE_RETRY_COUNT, IDUD_RETRY_COUNT},
    {IDC_FLAG_EMAILS, IDLB_COUNTRIES},
};

class RenderTest : public DialogTest {
protected:
    void Format(HWND edit, LONG a, LONG b, DWORD mask, DWORD effects, COLORREF color = 0)
    {
        CHARRANGE r{a, b};
        SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
        CHARFORMAT2W cf{};
        cf.cbSize = sizeof cf;
        cf.dwMask = mask;
        cf.dwEffects = effects;
        cf.crTextColor = color;
        SendMessageW(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    }
    void ShowPage(int page)
    {
        HWND tab = Item(IDC_TAB);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        for (const WCHAR* label : {u"Providers", u"Setup", u"Flag Countries", u"Flag Links", u"Flag Servers"}) {
            item.pszText = const_cast<LPWSTR>(label);
            SendMessageW(tab, TCM_INSERTITEMW, SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), reinterpret_cast<LPARAM>(&item));
        }
        SendMessageW(tab, TCM_SETCURSEL, WPARAM(page), 0);
        for (const std::vector<int>& ids : kPages)
            for (int id : ids)
                ShowWindow(Item(id), &ids == &kPages[size_t(page)] ? SW_SHOW : SW_HIDE);
        for (int id : {IDE_PROVIDER_KEY, IDC_FLAG_LINKS, IDC_READ_AS_TEXT, IDCB_FOLDERS, IDC_FLAG_SERVERS, IDE_SERVERS})
            ShowWindow(Item(id), SW_HIDE);
    }
    cairo_surface_t* Png(const host::DialogShot& shot, const std::string& name)
    {
        std::string path = testing_support::Prefix() + "/" + name, error;
        EXPECT_TRUE(host::RenderDialogPng(shot, path, error)) << error;
        return cairo_image_surface_create_from_png(path.c_str());
    }
};

uint32_t Pixel(cairo_surface_t* s, int x, int y)
{
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s))[x] &
           0xFFFFFF;
}

TEST_F(RenderTest, InfoDialogAsJsonWithItsRunsAndAsAPictureThatScrolls)
{
    ASSERT_NE(Open(IDD_INFODLG), nullptr);
    HWND edit = Item(IDC_RICHEDIT);
    std::u16string text = u"Header \"one\"\r\nred bold\r\n";
    for (int i = 0; i < 40; ++i)
        text += u"Received: from relay" + pal::ToWide(std::to_string(i)) + u".example.net\r\n";
    SetWindowTextW(edit, text.c_str());
    Format(edit, 7, 15, CFM_BOLD | CFM_ITALIC, CFE_BOLD | CFE_ITALIC);
    Format(edit, 14, 22, CFM_COLOR | CFM_BOLD, CFE_BOLD, RGB(0xC0, 0x10, 0x20));

    host::DialogShot shot = host::CaptureDialog(m_dialog);
    std::string json = host::DialogJson(shot.view);
    EXPECT_TRUE(testing_support::JsonReader(json).Document()) << json;
    EXPECT_NE(json.find("\"templateId\": 200,\n  \"caption\": \"Details\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"text\": \"Header \\\"one\\\"\\r\\nred bold"), std::string::npos);
    EXPECT_NE(json.find("{\"start\": 7, \"end\": 14, \"bold\": true, \"italic\": true, \"underline\": false, "
                        "\"color\": \"auto\", \"link\": false}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"start\": 14, \"end\": 15, \"bold\": true, \"italic\": true, \"underline\": false, "
                        "\"color\": \"#c01020\", \"link\": false}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"id\": 1, \"rect\""), std::string::npos);
    EXPECT_NE(json.find("\"text\": \"Map\", \"visible\": true, \"enabled\": false"), std::string::npos)
        << "the disabled Map button";
    EXPECT_NE(json.find("\"text\": \"Close\", \"visible\": true, \"enabled\": true, \"focused\": false, \"default\": true"),
              std::string::npos);

    cairo_surface_t* png = Png(shot, "info.png");
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    RECT r = shot.view.rect;
    EXPECT_EQ(cairo_image_surface_get_width(png), r.right - r.left);
    EXPECT_EQ(cairo_image_surface_get_height(png), r.bottom - r.top);
    // The text overflows: a scroll bar's grey track at the edit's right edge, inside its border.
    const pal::ControlView* view = FindView(shot.view.controls, IDC_RICHEDIT);
    int ox = ((r.right - r.left) - shot.view.client.right) / 2;
    int oy = (r.bottom - r.top) - shot.view.client.bottom - ox;
    EXPECT_EQ(Pixel(png, ox + view->rect.right - 4, oy + (view->rect.top + view->rect.bottom) / 2), 0xF0F0F0u);
    // Red ink somewhere in the edit's first lines.
    bool red = false;
    for (int y = oy + view->rect.top; y < oy + view->rect.top + 40 && !red; ++y)
        for (int x = ox + view->rect.left; x < ox + view->rect.left + 150 && !red; ++x) {
            uint32_t p = Pixel(png, x, y);
            red = ((p >> 16) & 0xFF) > 0x90 && ((p >> 8) & 0xFF) < 0x60 && (p & 0xFF) < 0x60;
        }
    EXPECT_TRUE(red);
    cairo_surface_destroy(png);
}

TEST_F(RenderTest, AboutBoxDrawsItsBannerAndOptionsItsCheckedBoxesAndTabs)
{
    ASSERT_NE(Open(IDD_ABOUTDLG), nullptr);
    EXPECT_TRUE(host::CaptureDialog(m_dialog).pictures.empty()) << "a banner without an image of its own";
    host::DialogShot shot = host::CaptureDialog(m_dialog, _AtlBaseModule.GetResourceInstance());
    ASSERT_EQ(shot.pictures.size(), 1u) << "the banner as the module's bitmap resource";
    const host::DialogPicture& picture = shot.pictures.begin()->second;
    EXPECT_EQ(picture.width, 482);
    EXPECT_EQ(picture.height, 64);
    cairo_surface_t* png = Png(shot, "about.png");
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    // The banner's own pixel at its middle, drawn at the static's place.
    RECT r = shot.view.rect;
    int ox = ((r.right - r.left) - shot.view.client.right) / 2;
    int oy = (r.bottom - r.top) - shot.view.client.bottom - ox;
    const pal::ControlView* view = FindView(shot.view.controls, IDC_BANNER);
    int bx = std::min<int>(picture.width, view->rect.right - view->rect.left) / 2;
    int by = std::min<int>(picture.height, view->rect.bottom - view->rect.top) / 2;
    EXPECT_EQ(Pixel(png, ox + view->rect.left + bx, oy + view->rect.top + by),
              picture.pixels[size_t(by) * size_t(picture.width) + size_t(bx)] & 0xFFFFFF);
    cairo_surface_destroy(png);
    DestroyWindow(m_dialog);

    // The options as the add-in shows its Setup page: the tabs filled, the other pages' controls hidden.
    ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
    ShowPage(1);
    CheckDlgButton(m_dialog, IDC_SHOW_LINKS, BST_CHECKED);
    shot = host::CaptureDialog(m_dialog);
    png = Png(shot, "options.png");
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    // The tick's dark ink inside the checked box, none inside an unchecked one.
    r = shot.view.rect;
    ox = ((r.right - r.left) - shot.view.client.right) / 2;
    oy = (r.bottom - r.top) - shot.view.client.bottom - ox;
    auto inkInBox = [&](int id) {
        const pal::ControlView* c = FindView(shot.view.controls, id);
        int top = oy + (c->rect.top + c->rect.bottom) / 2 - 6;
        int dark = 0;
        for (int y = top + 2; y < top + 11; ++y)
            for (int x = ox + c->rect.left + 2; x < ox + c->rect.left + 11; ++x)
                dark += (Pixel(png, x, y) & 0xFF) < 0x80;
        return dark;
    };
    EXPECT_GT(inkInBox(IDC_SHOW_LINKS), 4);
    EXPECT_EQ(inkInBox(IDC_SHOW_CONTENT), 0);
    cairo_surface_destroy(png);
}

} // namespace

TEST(Dib, BottomUpRowsPalettesAndDamagedHeaders)
{
    // 2 x 2, 24 bits: rows of 8 bytes (6 of pixels, 2 of padding), the bottom row first.
    std::vector<BYTE> dib(40 + 16, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            dib[at + size_t(i)] = BYTE(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, 2);
    put32(8, 2);
    dib[12] = 1;
    dib[14] = 24;
    const BYTE bottom[] = {0xFF, 0, 0, 0, 0xFF, 0}; // blue, green (B, G, R)
    const BYTE top[] = {0, 0, 0xFF, 0xFF, 0xFF, 0xFF};   // red, white
    std::copy(std::begin(bottom), std::end(bottom), dib.begin() + 40);
    std::copy(std::begin(top), std::end(top), dib.begin() + 48);
    host::DialogPicture p;
    ASSERT_TRUE(host::DecodeDib(dib.data(), dib.size(), p));
    EXPECT_EQ(p.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0xFFFFFFFFu, 0xFF0000FFu, 0xFF00FF00u}));

    // 1 bit with a two-colour palette, top-down.
    std::vector<BYTE> mono(40 + 8 + 8, 0);
    std::copy(dib.begin(), dib.begin() + 40, mono.begin());
    mono[8] = 0xFE, mono[9] = 0xFF, mono[10] = 0xFF, mono[11] = 0xFF; // height -2
    mono[14] = 1;
    mono[44] = 0xFF, mono[45] = 0xFF, mono[46] = 0xFF; // colour 1 is white
    mono[48] = 0x40;                                   // first row: black, white
    mono[52] = 0x80;                                   // second row: white, black
    ASSERT_TRUE(host::DecodeDib(mono.data(), mono.size(), p));
    EXPECT_EQ(p.pixels, (std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u}));

    EXPECT_FALSE(host::DecodeDib(dib.data(), dib.size() - 1, p)) << "rows cut short";
    put32(4, 0x7FFFFFFF);
    EXPECT_FALSE(host::DecodeDib(dib.data(), dib.size(), p)) << "a width past the data";
    put32(4, 2);
    put32(16, 1); // run-length compressed
    EXPECT_FALSE(host::DecodeDib(dib.data(), dib.size(), p));
    EXPECT_FALSE(host::DecodeDib(dib.data(), 20, p));
}

// The providers' list with check boxes and a selected row, and the countries' list with a selection.
TEST_F(RenderTest, ListsShowTheirRowsChecksAndSelection)
{
    ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
    ShowPage(0);
    HWND list = Item(IDLC_PROVIDERS);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 150;
    for (const WCHAR* title : {u"Provider", u"Key"}) {
        column.pszText = const_cast<LPWSTR>(title);
        SendMessageW(list, LVM_INSERTCOLUMNW, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) + 2, reinterpret_cast<LPARAM>(&column));
    }
    const WCHAR* names[] = {u"Offline country database", u"ipinfodb.com", u"keycdn.com"};
    for (int i = 0; i < 3; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<LPWSTR>(names[i]);
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    ASSERT_TRUE(pal::CheckListViewRow(list, 0, true));
    ASSERT_TRUE(pal::ClickListViewCell(list, 1, 0, pal::ClickKind::Left));
    SetDlgItemTextW(m_dialog, IDC_PENDING_TEXT, u"There are pending requests.");
    host::DialogShot shot = host::CaptureDialog(m_dialog);
    EXPECT_EQ(shot.listViewStyles.begin()->second & LVS_EX_CHECKBOXES, DWORD(LVS_EX_CHECKBOXES));
    EXPECT_EQ(shot.pictures.size(), 1u) << "the pending requests' icon";
    cairo_surface_t* png = Png(shot, "providers.png");
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(png);
    DestroyWindow(m_dialog);

    ASSERT_NE(Open(IDD_OPTNSDLG), nullptr);
    ShowPage(2);
    HWND countries = Item(IDLB_COUNTRIES);
    for (const WCHAR* country : {u"Atlantis", u"Borduria", u"Genovia", u"Latveria", u"Syldavia"})
        SendMessageW(countries, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(country));
    ASSERT_TRUE(pal::SelectListItems(countries, {1, 3}));
    shot = host::CaptureDialog(m_dialog);
    png = Png(shot, "countries.png");
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    // The selected item's blue band, an unselected one's white.
    RECT r = shot.view.rect;
    int ox = ((r.right - r.left) - shot.view.client.right) / 2;
    int oy = (r.bottom - r.top) - shot.view.client.bottom - ox;
    const pal::ControlView* c = FindView(shot.view.controls, IDLB_COUNTRIES);
    EXPECT_EQ(Pixel(png, ox + c->rect.right - 30, oy + c->rect.top + 1 + 15 + 7), 0x0078D7u);
    EXPECT_EQ(Pixel(png, ox + c->rect.right - 30, oy + c->rect.top + 1 + 7), 0xFFFFFFu);
    cairo_surface_destroy(png);
}
