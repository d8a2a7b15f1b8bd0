// A dialog drawn with cairo and Pango in the light Windows look: a white title bar, a grey client area,
// push buttons with the default one outlined in blue, white fields with grey borders, selections in blue.
// Text uses the faces the layer lays the dialog out with, at the dialog font's pixel size.
#include "host/dialogs/DialogPng.h"
#include "host/ui/PixelSurface.h"

#include "olectl.h"
#include "pal/gdi.h"
#include "pal/host.h"
#include "pal/resources.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

namespace host {

namespace {

const char kFaces[] = "Segoe UI, Noto Sans, DejaVu Sans";
const int kFontPixels = 11; // "MS Shell Dlg" 8 points at 96 dots per inch
const double kScrollWidth = 17, kTabHeight = 21, kHeaderHeight = 22, kRowHeight = 19, kItemHeight = 15;

struct Rgb {
    double r, g, b;
};
const Rgb kText{0, 0, 0}, kGreyText{0.43, 0.43, 0.43}, kFace{0.94, 0.94, 0.94}, kWhite{1, 1, 1},
    kBorder{0.48, 0.48, 0.48}, kLightBorder{0.85, 0.85, 0.85}, kButton{0.88, 0.88, 0.88},
    kButtonBorder{0.68, 0.68, 0.68}, kAccent{0, 0.47, 0.84}, kSelection{0.8, 0.91, 1}, kLink{0, 0.4, 0.8};

std::string Lower(const std::u16string& s)
{
    std::string out = pal::ToUtf8(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

// Button and static texts: "&&" is an ampersand, a single '&' marks the access key (underlined on Windows
// only while the keyboard is used, so dropped here).
std::string Label(const std::u16string& text, bool prefix = true)
{
    std::string s = pal::ToUtf8(text), out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (prefix && s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&')
                out += s[++i];
            continue;
        }
        if (s[i] == '\r')
            continue;
        out += s[i];
    }
    return out;
}

Rgb FromColorRef(COLORREF c) { return {GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0}; }

class Painter {
public:
    explicit Painter(cairo_t* cr) : m_cr(cr), m_layout(pango_cairo_create_layout(cr))
    {
        m_font = pango_font_description_from_string(kFaces);
        pango_font_description_set_absolute_size(m_font, kFontPixels * PANGO_SCALE);
        pango_layout_set_font_description(m_layout, m_font);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(pango_layout_get_context(m_layout), options);
        cairo_font_options_destroy(options);
        pango_layout_context_changed(m_layout);
    }
    ~Painter()
    {
        pango_font_description_free(m_font);
        g_object_unref(m_layout);
    }
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    PangoLayout* Layout(const std::string& text, double wrap, PangoAlignment align = PANGO_ALIGN_LEFT,
                        bool bold = false)
    {
        pango_layout_set_attributes(m_layout, nullptr);
        pango_layout_set_text(m_layout, text.c_str(), int(text.size()));
        pango_layout_set_width(m_layout, wrap > 0 ? int(wrap * PANGO_SCALE) : -1);
        pango_layout_set_wrap(m_layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_alignment(m_layout, align);
        PangoFontDescription* font = pango_font_description_copy(m_font);
        pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
        pango_layout_set_font_description(m_layout, font);
        pango_font_description_free(font);
        return m_layout;
    }
    void Size(double& w, double& h)
    {
        int iw = 0, ih = 0;
        pango_layout_get_pixel_size(m_layout, &iw, &ih);
        w = iw;
        h = ih;
    }
    double Width(const std::string& text)
    {
        Layout(text, -1);
        double w, h;
        Size(w, h);
        return w;
    }
    // Lays out and draws one text; returns its height.
    double Text(const std::string& text, double x, double y, const Rgb& color, double wrap = -1,
                PangoAlignment align = PANGO_ALIGN_LEFT, bool bold = false)
    {
        Layout(text, wrap, align, bold);
        return Show(x, y, color);
    }
    double Show(double x, double y, const Rgb& color)
    {
        Color(color);
        cairo_move_to(m_cr, x, y);
        pango_cairo_show_layout(m_cr, m_layout);
        double w, h;
        Size(w, h);
        return h;
    }
    void Color(const Rgb& c) { cairo_set_source_rgb(m_cr, c.r, c.g, c.b); }
    void Fill(double x, double y, double w, double h, const Rgb& c)
    {
        Color(c);
        cairo_rectangle(m_cr, x, y, w, h);
        cairo_fill(m_cr);
    }
    void Frame(double x, double y, double w, double h, const Rgb& c, double width = 1)
    {
        Color(c);
        cairo_set_line_width(m_cr, width);
        cairo_rectangle(m_cr, x + width / 2, y + width / 2, w - width, h - width);
        cairo_stroke(m_cr);
    }
    void Box(double x, double y, double w, double h, const Rgb& fill, const Rgb& border)
    {
        Fill(x, y, w, h, fill);
        Frame(x, y, w, h, border);
    }
    void Line(double x0, double y0, double x1, double y1, const Rgb& c)
    {
        Color(c);
        cairo_set_line_width(m_cr, 1);
        cairo_move_to(m_cr, x0, y0);
        cairo_line_to(m_cr, x1, y1);
        cairo_stroke(m_cr);
    }
    // A small filled triangle pointing up or down, centred on (x, y).
    void Arrow(double x, double y, bool up, const Rgb& c)
    {
        Color(c);
        double d = up ? -1 : 1;
        cairo_move_to(m_cr, x - 3.5, y - 1.75 * d);
        cairo_line_to(m_cr, x + 3.5, y - 1.75 * d);
        cairo_line_to(m_cr, x, y + 1.75 * d);
        cairo_close_path(m_cr);
        cairo_fill(m_cr);
    }
    void Tick(double x, double y, const Rgb& c)
    {
        Color(c);
        cairo_set_line_width(m_cr, 1.6);
        cairo_move_to(m_cr, x + 2.5, y + 6.5);
        cairo_line_to(m_cr, x + 5, y + 9);
        cairo_line_to(m_cr, x + 10.5, y + 3.5);
        cairo_stroke(m_cr);
    }
    void Picture(const DialogPicture& p, double x, double y, double w, double h, bool enabled)
    {
        cairo_surface_t* s = host::SurfaceOfPixels(p.width, p.height, p.pixels);
        if (!s)
            return;
        cairo_save(m_cr);
        cairo_rectangle(m_cr, x, y, w, h);
        cairo_clip(m_cr);
        cairo_translate(m_cr, x, y);
        cairo_set_source_surface(m_cr, s, 0, 0);
        cairo_paint_with_alpha(m_cr, enabled ? 1.0 : 0.4);
        cairo_restore(m_cr);
        cairo_surface_destroy(s);
    }
    void Clip(double x, double y, double w, double h)
    {
        cairo_save(m_cr);
        cairo_rectangle(m_cr, x, y, w, h);
        cairo_clip(m_cr);
    }
    void Unclip() { cairo_restore(m_cr); }
    void FocusRect(double x, double y, double w, double h)
    {
        static const double dash[] = {1, 1};
        cairo_save(m_cr);
        cairo_set_dash(m_cr, dash, 2, 0);
        Frame(x, y, w, h, kText);
        cairo_restore(m_cr);
    }
    void VerticalScrollBar(double x, double y, double h, double visible, double total)
    {
        Box(x, y, kScrollWidth, h, kFace, kFace);
        Arrow(x + kScrollWidth / 2, y + 8, true, kGreyText);
        Arrow(x + kScrollWidth / 2, y + h - 8, false, kGreyText);
        double track = h - 2 * kScrollWidth;
        if (track <= 4 || total <= 0)
            return;
        double thumb = std::max(12.0, track * std::min(1.0, visible / total));
        Fill(x + 2, y + kScrollWidth, kScrollWidth - 4, std::min(thumb, track), {0.76, 0.76, 0.76});
    }
    cairo_t* Cairo() { return m_cr; }

private:
    cairo_t* m_cr;
    PangoLayout* m_layout;
    PangoFontDescription* m_font;
};

struct Box {
    double x, y, w, h;
};

Box At(const pal::ControlView& c, double ox, double oy)
{
    return {ox + c.rect.left, oy + c.rect.top, double(c.rect.right - c.rect.left), double(c.rect.bottom - c.rect.top)};
}

void DrawButton(Painter& p, const pal::ControlView& c, const Box& b)
{
    DWORD type = c.style & BS_TYPEMASK;
    Rgb text = c.enabled ? kText : kGreyText;
    std::string label = Label(c.text);
    if (type == BS_GROUPBOX) {
        p.Layout(label, -1);
        double tw, th;
        p.Size(tw, th);
        double top = b.y + th / 2;
        p.Frame(b.x, top, b.w, b.h - th / 2, kLightBorder);
        if (!label.empty()) {
            p.Fill(b.x + 6, b.y, tw + 4, th, kFace);
            p.Text(label, b.x + 8, b.y, text);
        }
        return;
    }
    bool check = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
    bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    if (check || radio) {
        double size = 13, by = b.y + (b.h - size) / 2;
        if (radio) {
            cairo_t* cr = p.Cairo();
            cairo_arc(cr, b.x + size / 2, by + size / 2, size / 2 - 0.5, 0, 2 * M_PI);
            p.Color(kWhite);
            cairo_fill_preserve(cr);
            p.Color(c.enabled ? kText : kGreyText);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
            if (c.checked == BST_CHECKED) {
                cairo_arc(cr, b.x + size / 2, by + size / 2, 3, 0, 2 * M_PI);
                cairo_fill(cr);
            }
        } else {
            p.Box(b.x, by, size, size, kWhite, c.enabled ? kText : kGreyText);
            if (c.checked == BST_CHECKED)
                p.Tick(b.x, by, c.enabled ? kText : kGreyText);
            else if (c.checked == BST_INDETERMINATE)
                p.Fill(b.x + 3, by + 3, size - 6, size - 6, c.enabled ? kText : kGreyText);
        }
        p.Layout(label, b.w - size - 4);
        double tw, th;
        p.Size(tw, th);
        double ty = b.y + (b.h - th) / 2;
        p.Show(b.x + size + 4, ty, text);
        if (c.focused)
            p.FocusRect(b.x + size + 2, ty, std::min(tw + 4, b.w - size - 2), th);
        return;
    }
    bool isDefault = type == BS_DEFPUSHBUTTON;
    p.Box(b.x, b.y, b.w, b.h, c.enabled ? kButton : kFace, isDefault && c.enabled ? kAccent : kButtonBorder);
    if (isDefault && c.enabled)
        p.Frame(b.x + 1, b.y + 1, b.w - 2, b.h - 2, kAccent);
    p.Layout(label, b.w - 4, PANGO_ALIGN_CENTER);
    double tw, th;
    p.Size(tw, th);
    p.Show(b.x + 2, b.y + (b.h - th) / 2, text);
    if (c.focused)
        p.FocusRect(b.x + 3, b.y + 3, b.w - 6, b.h - 6);
}

void DrawStatic(Painter& p, const DialogShot& shot, const pal::ControlView& c, const Box& b)
{
    DWORD type = c.style & SS_TYPEMASK;
    if (type == SS_ICON || type == SS_BITMAP) {
        auto picture = shot.pictures.find(c.hwnd);
        if (picture != shot.pictures.end()) {
            const DialogPicture& pic = picture->second;
            double x = b.x, y = b.y;
            if (c.style & SS_CENTERIMAGE) {
                x += (b.w - double(pic.width)) / 2;
                y += (b.h - double(pic.height)) / 2;
            }
            p.Picture(pic, x, y, b.w, b.h, c.enabled);
        } else {
            p.Frame(b.x, b.y, b.w, b.h, kLightBorder);
        }
        return;
    }
    if (type == SS_ETCHEDHORZ) {
        p.Line(b.x, b.y + 0.5, b.x + b.w, b.y + 0.5, {0.63, 0.63, 0.63});
        p.Line(b.x, b.y + 1.5, b.x + b.w, b.y + 1.5, kWhite);
        return;
    }
    if (type == SS_ETCHEDFRAME || type == SS_BLACKFRAME) {
        p.Frame(b.x, b.y, b.w, b.h, type == SS_BLACKFRAME ? kText : kLightBorder);
        return;
    }
    PangoAlignment align = type == SS_CENTER ? PANGO_ALIGN_CENTER : type == SS_RIGHT ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT;
    p.Clip(b.x, b.y, b.w, b.h);
    p.Text(Label(c.text, !(c.style & SS_NOPREFIX)), b.x, b.y, c.enabled ? kText : kGreyText,
           type == SS_LEFTNOWORDWRAP ? -1 : b.w, align);
    p.Unclip();
}

// "<a>address</a>" parts of a link control's text shown as links.
void DrawLink(Painter& p, const pal::ControlView& c, const Box& b)
{
    std::string text = pal::ToUtf8(c.text), plain;
    std::vector<std::pair<size_t, size_t>> links;
    size_t at = 0;
    while (at < text.size()) {
        size_t open = text.find("<a", at);
        size_t openEnd = open == std::string::npos ? open : text.find('>', open);
        size_t close = openEnd == std::string::npos ? openEnd : text.find("</a>", openEnd);
        if (close == std::string::npos) {
            plain += text.substr(at);
            break;
        }
        plain += text.substr(at, open - at);
        size_t start = plain.size();
        plain += text.substr(openEnd + 1, close - openEnd - 1);
        links.push_back({start, plain.size()});
        at = close + 4;
    }
    PangoLayout* layout = p.Layout(plain, b.w);
    PangoAttrList* attrs = pango_attr_list_new();
    for (const auto& link : links) {
        PangoAttribute* colour = pango_attr_foreground_new(guint16(kLink.r * 65535), guint16(kLink.g * 65535),
                                                           guint16(kLink.b * 65535));
        colour->start_index = guint(link.first);
        colour->end_index = guint(link.second);
        pango_attr_list_insert(attrs, colour);
        PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        underline->start_index = guint(link.first);
        underline->end_index = guint(link.second);
        pango_attr_list_insert(attrs, underline);
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    p.Clip(b.x, b.y, b.w, b.h);
    p.Show(b.x, b.y, c.enabled ? kText : kGreyText);
    p.Unclip();
}

void DrawEdit(Painter& p, const pal::ControlView& c, const Box& b)
{
    p.Box(b.x, b.y, b.w, b.h, c.enabled && !(c.style & ES_READONLY) ? kWhite : kFace, c.focused ? kAccent : kBorder);
    std::string text = Label(c.text, false);
    if (c.style & ES_PASSWORD)
        text = std::string(pal::ToWide(text).size(), '*');
    bool multi = c.style & ES_MULTILINE;
    DWORD align = c.style & 3;
    PangoAlignment a = align == ES_CENTER ? PANGO_ALIGN_CENTER : align == ES_RIGHT ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT;
    p.Layout(text, multi || a != PANGO_ALIGN_LEFT ? b.w - 6 : -1, a);
    double tw, th;
    p.Size(tw, th);
    p.Clip(b.x + 1, b.y + 1, b.w - 2, b.h - 2);
    p.Show(b.x + 3, multi ? b.y + 2 : b.y + (b.h - th) / 2, c.enabled ? kText : kGreyText);
    p.Unclip();
}

// The rich edit's text with its runs: paragraph breaks count one character, as the runs count them.
void DrawRichEdit(Painter& p, const pal::ControlView& c, const Box& b)
{
    Rgb background = c.autoBackground ? kWhite : FromColorRef(c.background);
    p.Box(b.x, b.y, b.w, b.h, c.enabled ? background : kFace, c.focused ? kAccent : kBorder);
    std::u16string shown;
    for (size_t i = 0; i < c.text.size(); ++i) {
        if (c.text[i] == u'\r') {
            shown += u'\n';
            if (i + 1 < c.text.size() && c.text[i + 1] == u'\n')
                ++i;
        } else {
            shown += c.text[i];
        }
    }
    std::string utf8;
    std::vector<size_t> offset; // UTF-8 offset of each UTF-16 unit, and of the end
    for (size_t i = 0; i < shown.size(); ++i) {
        offset.push_back(utf8.size());
        size_t n = (shown[i] >= 0xD800 && shown[i] < 0xDC00 && i + 1 < shown.size()) ? 2 : 1;
        if (n == 2)
            offset.push_back(utf8.size());
        utf8 += pal::ToUtf8(shown.substr(i, n));
        i += n - 1;
    }
    offset.push_back(utf8.size());
    auto at = [&](LONG pos) { return guint(offset[std::clamp<size_t>(size_t(std::max<LONG>(pos, 0)), 0, offset.size() - 1)]); };
    auto layOut = [&](double width) {
        PangoLayout* layout = p.Layout(utf8, width);
        PangoAttrList* attrs = pango_attr_list_new();
        for (const pal::CharRun& run : c.runs) {
            guint start = at(run.start), end = at(run.end);
            if (end <= start)
                continue;
            auto add = [&](PangoAttribute* a) {
                a->start_index = start;
                a->end_index = end;
                pango_attr_list_insert(attrs, a);
            };
            if (run.bold)
                add(pango_attr_weight_new(PANGO_WEIGHT_BOLD));
            if (run.italic)
                add(pango_attr_style_new(PANGO_STYLE_ITALIC));
            if (run.underline || run.link)
                add(pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
            Rgb colour = !run.autoColor ? FromColorRef(run.color) : run.link ? kLink : c.enabled ? kText : kGreyText;
            add(pango_attr_foreground_new(guint16(colour.r * 65535), guint16(colour.g * 65535), guint16(colour.b * 65535)));
        }
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
        double w, h;
        p.Size(w, h);
        return h;
    };
    double inner = b.h - 4;
    double height = layOut(b.w - 8);
    bool scroll = (c.style & WS_VSCROLL) && height > inner;
    if (scroll)
        height = layOut(b.w - 8 - kScrollWidth);
    p.Clip(b.x + 1, b.y + 1, b.w - 2 - (scroll ? kScrollWidth : 0), b.h - 2);
    p.Show(b.x + 4, b.y + 2, c.enabled ? kText : kGreyText);
    p.Unclip();
    if (scroll)
        p.VerticalScrollBar(b.x + b.w - 1 - kScrollWidth, b.y + 1, b.h - 2, inner, height);
}

void DrawTab(Painter& p, const pal::ControlView& c, const Box& b)
{
    p.Box(b.x, b.y + kTabHeight - 1, b.w, b.h - kTabHeight + 1, kWhite, kLightBorder);
    double x = b.x + 2;
    double currentX = -1, currentW = 0;
    for (size_t i = 0; i < c.items.size(); ++i) {
        std::string label = Label(c.items[i]);
        double w = std::max(p.Width(label) + 12, 24.0);
        bool current = int(i) == c.current;
        if (current) {
            currentX = x;
            currentW = w;
        } else {
            p.Box(x, b.y + 2, w, kTabHeight - 2, kFace, kLightBorder);
            p.Text(label, x + 6, b.y + 5, c.enabled ? kText : kGreyText);
        }
        x += w - 1;
    }
    if (currentX >= 0) {
        // Raised: taller, wider, and open onto the page.
        std::string label = Label(c.items[size_t(c.current)]);
        p.Box(currentX - 2, b.y, currentW + 4, kTabHeight + 1, kWhite, kLightBorder);
        p.Fill(currentX - 1, b.y + kTabHeight - 1, currentW + 2, 2, kWhite);
        p.Text(label, currentX + 6, b.y + 3, c.enabled ? kText : kGreyText);
        if (c.focused)
            p.FocusRect(currentX + 3, b.y + 3, currentW - 6, kTabHeight - 6);
    }
}

void DrawListView(Painter& p, const DialogShot& shot, const pal::ControlView& c, const Box& b)
{
    DWORD ex = 0;
    if (auto s = shot.listViewStyles.find(c.hwnd); s != shot.listViewStyles.end())
        ex = s->second;
    bool checks = ex & LVS_EX_CHECKBOXES, grid = ex & LVS_EX_GRIDLINES;
    p.Box(b.x, b.y, b.w, b.h, kWhite, c.focused ? kAccent : kBorder);
    size_t columns = std::max<size_t>(c.columns.size(), 1);
    std::vector<double> widths(columns, 0);
    for (size_t i = 0; i < columns; ++i) {
        if (i < c.columns.size())
            widths[i] = p.Width(Label(c.columns[i], false)) + 14;
        for (const pal::ListViewRow& row : c.rows)
            if (i < row.cells.size())
                widths[i] = std::max(widths[i], p.Width(pal::ToUtf8(row.cells[i])) + 14 + (i == 0 && checks ? 18 : 0));
    }
    double total = 0;
    for (double w : widths)
        total += w;
    double inner = b.w - 2;
    double bodyHeight = b.h - 2 - (c.columns.empty() ? 0 : kHeaderHeight);
    bool scroll = double(c.rows.size()) * kRowHeight > bodyHeight;
    if (scroll)
        inner -= kScrollWidth;
    if (total < inner)
        widths.back() += inner - total;
    p.Clip(b.x + 1, b.y + 1, inner, b.h - 2);
    double y = b.y + 1;
    if (!c.columns.empty()) {
        double x = b.x + 1;
        for (size_t i = 0; i < c.columns.size(); ++i) {
            p.Fill(x, y, widths[i], kHeaderHeight, kWhite);
            p.Line(x + widths[i] - 0.5, y + 2, x + widths[i] - 0.5, y + kHeaderHeight - 2, kLightBorder);
            p.Text(Label(c.columns[i], false), x + 6, y + 4, c.enabled ? kText : kGreyText);
            x += widths[i];
        }
        p.Line(b.x + 1, y + kHeaderHeight - 0.5, b.x + 1 + inner, y + kHeaderHeight - 0.5, kLightBorder);
        y += kHeaderHeight;
    }
    for (const pal::ListViewRow& row : c.rows) {
        if (row.selected)
            p.Fill(b.x + 1, y, inner, kRowHeight, c.focused ? kSelection : Rgb{0.85, 0.85, 0.85});
        double x = b.x + 1;
        for (size_t i = 0; i < columns; ++i) {
            double cx = x + 6;
            if (i == 0 && checks) {
                p.Box(cx - 2, y + 3, 13, 13, kWhite, c.enabled ? kText : kGreyText);
                if (row.checked)
                    p.Tick(cx - 2, y + 3, c.enabled ? kText : kGreyText);
                cx += 16;
            }
            if (i < row.cells.size()) {
                p.Clip(x, y, widths[i] - 2, kRowHeight);
                p.Text(pal::ToUtf8(row.cells[i]), cx, y + 2, c.enabled ? kText : kGreyText);
                p.Unclip();
            }
            x += widths[i];
            if (grid)
                p.Line(x - 0.5, y, x - 0.5, y + kRowHeight, kLightBorder);
        }
        y += kRowHeight;
        if (grid)
            p.Line(b.x + 1, y - 0.5, b.x + 1 + inner, y - 0.5, kLightBorder);
        if (y > b.y + b.h)
            break;
    }
    p.Unclip();
    if (scroll)
        p.VerticalScrollBar(b.x + b.w - 1 - kScrollWidth, b.y + 1, b.h - 2, bodyHeight, double(c.rows.size()) * kRowHeight);
}

void DrawListBox(Painter& p, const pal::ControlView& c, const Box& b)
{
    p.Box(b.x, b.y, b.w, b.h, kWhite, c.focused ? kAccent : kBorder);
    double total = double(c.items.size()) * kItemHeight;
    bool scroll = (c.style & WS_VSCROLL) && total > b.h - 2;
    double inner = b.w - 2 - (scroll ? kScrollWidth : 0);
    p.Clip(b.x + 1, b.y + 1, inner, b.h - 2);
    double y = b.y + 1;
    for (size_t i = 0; i < c.items.size() && y < b.y + b.h; ++i, y += kItemHeight) {
        bool selected = i < c.itemSelected.size() && c.itemSelected[i];
        if (selected)
            p.Fill(b.x + 1, y, inner, kItemHeight, c.enabled ? kAccent : kGreyText);
        p.Text(pal::ToUtf8(c.items[i]), b.x + 3, y + 0.5, selected ? kWhite : c.enabled ? kText : kGreyText);
        if (c.focused && int(i) == c.current)
            p.FocusRect(b.x + 1, y, inner, kItemHeight);
    }
    p.Unclip();
    if (scroll)
        p.VerticalScrollBar(b.x + b.w - 1 - kScrollWidth, b.y + 1, b.h - 2, b.h - 2, total);
}

void DrawComboBox(Painter& p, const pal::ControlView& c, const Box& b)
{
    double h = std::min(b.h, 21.0);
    p.Box(b.x, b.y, b.w, h, c.enabled ? kButton : kFace, c.focused ? kAccent : kButtonBorder);
    std::string text = c.current >= 0 && size_t(c.current) < c.items.size() ? pal::ToUtf8(c.items[size_t(c.current)])
                                                                              : pal::ToUtf8(c.text);
    p.Clip(b.x + 1, b.y + 1, b.w - 20, h - 2);
    p.Text(text, b.x + 4, b.y + (h - 15) / 2, c.enabled ? kText : kGreyText);
    p.Unclip();
    p.Arrow(b.x + b.w - 9, b.y + h / 2, false, c.enabled ? kText : kGreyText);
}

void DrawUpDown(Painter& p, const pal::ControlView& c, const Box& b)
{
    double half = b.h / 2;
    Rgb arrow = c.enabled ? kText : kGreyText;
    p.Box(b.x, b.y, b.w, half, kButton, kButtonBorder);
    p.Box(b.x, b.y + half, b.w, b.h - half, kButton, kButtonBorder);
    p.Arrow(b.x + b.w / 2, b.y + half / 2, true, arrow);
    p.Arrow(b.x + b.w / 2, b.y + half + half / 2, false, arrow);
}

void DrawControl(Painter& p, const DialogShot& shot, const pal::ControlView& c, double ox, double oy)
{
    if (!c.visible)
        return;
    Box b = At(c, ox, oy);
    std::string cls = Lower(c.className);
    if (cls == "button")
        DrawButton(p, c, b);
    else if (cls == "static")
        DrawStatic(p, shot, c, b);
    else if (cls == "syslink")
        DrawLink(p, c, b);
    else if (cls == "edit")
        DrawEdit(p, c, b);
    else if (cls == "richedit50w" || cls == "richedit20w")
        DrawRichEdit(p, c, b);
    else if (cls == "systabcontrol32")
        DrawTab(p, c, b);
    else if (cls == "syslistview32")
        DrawListView(p, shot, c, b);
    else if (cls == "listbox")
        DrawListBox(p, c, b);
    else if (cls == "combobox")
        DrawComboBox(p, c, b);
    else if (cls == "msctls_updown32")
        DrawUpDown(p, c, b);
    else if (!c.text.empty())
        p.Text(Label(c.text), b.x, b.y, c.enabled ? kText : kGreyText, b.w);
    for (const pal::ControlView& child : c.children)
        DrawControl(p, shot, child, ox, oy);
}

bool Pixels(HBITMAP bitmap, DialogPicture& out)
{
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    IUnknown* picture = nullptr;
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IUnknown, FALSE, reinterpret_cast<void**>(&picture))) || !picture)
        return false;
    HRESULT hr = pal::PicturePixels(picture, &out.width, &out.height, &out.pixels);
    picture->Release();
    return SUCCEEDED(hr);
}

bool ResourceBitmap(HMODULE module, WORD id, DialogPicture& picture)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    return data && DecodeDib(data, SizeofResource(module, found), picture);
}

void Capture(const std::vector<pal::ControlView>& controls, HMODULE resources, DialogShot& shot)
{
    for (const pal::ControlView& c : controls) {
        std::string cls = Lower(c.className);
        DWORD type = c.style & SS_TYPEMASK;
        if (cls == "static" && (type == SS_ICON || type == SS_BITMAP)) {
            HANDLE image = reinterpret_cast<HANDLE>(SendMessageW(c.hwnd, STM_GETIMAGE, type == SS_ICON ? IMAGE_ICON : IMAGE_BITMAP, 0));
            DialogPicture picture;
            if (image && type == SS_BITMAP && Pixels(static_cast<HBITMAP>(image), picture)) {
                shot.pictures[c.hwnd] = std::move(picture);
            } else if (!image && type == SS_BITMAP && c.imageId && resources &&
                       ResourceBitmap(resources, c.imageId, picture)) {
                shot.pictures[c.hwnd] = std::move(picture);
            } else if (image && type == SS_ICON) {
                ICONINFO info{};
                if (GetIconInfo(static_cast<HICON>(image), &info)) {
                    if (info.hbmColor && Pixels(info.hbmColor, picture))
                        shot.pictures[c.hwnd] = std::move(picture);
                    if (info.hbmColor)
                        DeleteObject(info.hbmColor);
                    if (info.hbmMask)
                        DeleteObject(info.hbmMask);
                }
            }
        } else if (cls == "syslistview32") {
            shot.listViewStyles[c.hwnd] = DWORD(SendMessageW(c.hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
        }
        Capture(c.children, resources, shot);
    }
}

} // namespace

DialogShot CaptureDialog(HWND dialog, HMODULE resources)
{
    DialogShot shot;
    shot.view = pal::ViewDialog(dialog);
    Capture(shot.view.controls, resources, shot);
    return shot;
}

bool DecodeDib(const BYTE* data, size_t size, DialogPicture& picture)
{
    auto u16 = [&](size_t at) { return uint32_t(data[at] | data[at + 1] << 8); };
    auto u32 = [&](size_t at) { return uint32_t(u16(at) | u16(at + 2) << 16); };
    if (!data || size < 40)
        return false;
    uint32_t headerSize = u32(0);
    int32_t width = int32_t(u32(4)), height = int32_t(u32(8));
    uint32_t bits = u16(14), compression = u32(16), used = u32(32);
    bool topDown = height < 0;
    int64_t rows = topDown ? -int64_t(height) : height;
    if (headerSize < 40 || headerSize > size || width <= 0 || rows <= 0 || width > 16384 || rows > 16384 ||
        compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        return false;
    size_t colours = bits <= 8 ? (used && used <= (1u << bits) ? used : (1u << bits)) : 0;
    size_t paletteAt = headerSize, pixelsAt = paletteAt + colours * 4;
    size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    if (pixelsAt > size || (size - pixelsAt) / stride < size_t(rows))
        return false;
    picture.width = width;
    picture.height = LONG(rows);
    picture.pixels.assign(size_t(width) * size_t(rows), 0);
    for (int64_t y = 0; y < rows; ++y) {
        const BYTE* row = data + pixelsAt + size_t(topDown ? y : rows - 1 - y) * stride;
        uint32_t* out = &picture.pixels[size_t(y) * size_t(width)];
        for (int32_t x = 0; x < width; ++x) {
            uint32_t b, g, r;
            if (bits >= 24) {
                const BYTE* p = row + size_t(x) * (bits / 8);
                b = p[0], g = p[1], r = p[2];
            } else {
                size_t bit = size_t(x) * bits;
                size_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index >= colours)
                    index = 0;
                const BYTE* q = data + paletteAt + index * 4;
                b = q[0], g = q[1], r = q[2];
            }
            out[x] = 0xFF000000u | r << 16 | g << 8 | b; // opaque: alpha of a 32-bit DIB is not trusted
        }
    }
    return true;
}

bool RenderDialogPng(const DialogShot& shot, const std::string& path, std::string& error)
{
    const pal::DialogView& v = shot.view;
    int width = std::max(1, int(v.rect.right - v.rect.left)), height = std::max(1, int(v.rect.bottom - v.rect.top));
    int clientW = v.client.right - v.client.left, clientH = v.client.bottom - v.client.top;
    // The client area sits inside equal side and bottom borders, under the caption.
    double border = std::max(0.0, (width - clientW) / 2.0);
    double ox = border, oy = std::max(border, double(height - clientH) - border);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    {
        Painter p(cr);
        p.Fill(0, 0, width, height, kWhite);
        p.Fill(ox, oy, clientW, clientH, kFace);
        p.Frame(0, 0, width, height, {0.47, 0.6, 0.75});
        if (oy - border >= 12) {
            std::string caption = pal::ToUtf8(v.caption);
            double titleH = oy - border;
            p.Clip(border + 8, border, std::max(0.0, width - border * 2 - 60), titleH);
            p.Layout(caption, -1);
            double tw, th;
            p.Size(tw, th);
            p.Show(border + 8, border + (titleH - th) / 2, kText);
            p.Unclip();
            // The close box.
            double cx = width - border - 23, cy = border + titleH / 2;
            p.Line(cx - 5, cy - 5, cx + 5, cy + 5, kText);
            p.Line(cx - 5, cy + 5, cx + 5, cy - 5, kText);
        }
        p.Clip(ox, oy, clientW, clientH);
        for (const pal::ControlView& c : v.controls)
            DrawControl(p, shot, c, ox, oy);
        p.Unclip();
    }
    cairo_destroy(cr);
    cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = path + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

} // namespace host
