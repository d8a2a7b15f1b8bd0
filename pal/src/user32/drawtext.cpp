// DrawTextW and FillRect. Text is shaped and laid out by Pango (font fallback per script, bidirectional
// runs) and drawn by cairo into the bitmap selected in the context; the formats follow DrawText's rules:
// vertical placement only for a single line, '&' marks a mnemonic unless DT_NOPREFIX, clipping to the
// rectangle unless DT_NOCLIP, and DT_CALCRECT measures without drawing.
#include <algorithm>
#include <string>

#include "gdi32/fonts.h"
#include "gdi32/objects.h"
#include "common/text.h"

using namespace pal::gdi;

namespace {

void SetSource(cairo_t* cr, COLORREF color)
{
    cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0, GetBValue(color) / 255.0);
}

// The text as Pango takes it, with '&' prefixes removed and the character after each underlined.
struct PreparedText {
    std::string utf8;
    std::vector<std::pair<guint, guint>> underlined; // byte ranges
};

PreparedText Prepare(std::u16string_view text, bool prefixes)
{
    PreparedText out;
    for (size_t i = 0; i < text.size();) {
        if (prefixes && text[i] == u'&') {
            ++i;
            if (i == text.size())
                break;
            if (text[i] != u'&') {
                size_t start = out.utf8.size();
                pal::AppendUtf8(out.utf8, pal::NextScalarValue(text, i));
                out.underlined.emplace_back(guint(start), guint(out.utf8.size()));
                continue;
            }
        }
        pal::AppendUtf8(out.utf8, pal::NextScalarValue(text, i));
    }
    return out;
}

PangoLayout* Layout(cairo_t* cr, Font* font, const PreparedText& text, UINT format, LONG width, LONG height)
{
    PangoLayout* layout = pango_cairo_create_layout(cr);
    ApplyFontOptions(font, pango_layout_get_context(layout));
    pango_layout_context_changed(layout);
    PangoFontDescription* description = Describe(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    PangoAttrList* attributes = pango_attr_list_new();
    AddFontAttributes(font, attributes);
    for (auto [start, end] : text.underlined) {
        PangoAttribute* a = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        a->start_index = start;
        a->end_index = end;
        pango_attr_list_insert(attributes, a);
    }
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
    pango_layout_set_text(layout, text.utf8.data(), int(text.utf8.size()));

    bool single = format & DT_SINGLELINE;
    // A single line shows line breaks as characters rather than breaking.
    pango_layout_set_single_paragraph_mode(layout, single);
    pango_layout_set_alignment(layout, (format & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                       : (format & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                             : PANGO_ALIGN_LEFT);
    width = std::max<LONG>(width, 0);
    if ((format & DT_WORDBREAK) && !single) {
        // Breaks between words only; a word wider than the rectangle overflows it.
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    }
    if (format & DT_END_ELLIPSIS) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        // Wrapped text is cut at the last line that fits; otherwise every line is cut to the width.
        pango_layout_set_height(layout, (format & DT_WORDBREAK) && !single ? std::max<LONG>(height, 1) * PANGO_SCALE
                                                                           : -1);
    }
    return layout;
}

} // namespace

extern "C" int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format)
{
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    DC* dc = Get<DC>(hdc, Kind::DC);
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!lprc || (!lpchText && cchText != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string_view text;
    if (lpchText)
        text = cchText < 0 ? std::u16string_view(lpchText) : std::u16string_view(lpchText, size_t(cchText));
    Font* font = Get<Font>(dc->font, Kind::Font);
    if (!font)
        return 0;

    RECT& rc = *lprc;
    cairo_surface_t* target = Target(dc);
    cairo_t* cr = cairo_create(target);
    PangoLayout* layout = Layout(cr, font, Prepare(text, !(format & DT_NOPREFIX)), format, rc.right - rc.left,
                                 rc.bottom - rc.top);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    LONG textWidth = logical.width, textHeight = logical.height;
    if (text.empty())
        textWidth = 0;
    bool wrapped = pango_layout_get_width(layout) >= 0;

    LONG x = rc.left, y = rc.top;
    if (!wrapped) {
        if (format & DT_CENTER)
            x = rc.left + (rc.right - rc.left - textWidth) / 2;
        else if (format & DT_RIGHT)
            x = rc.right - textWidth;
    }
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = rc.top + (rc.bottom - rc.top - textHeight) / 2;
        else if (format & DT_BOTTOM)
            y = rc.bottom - textHeight;
    }

    if (format & DT_CALCRECT) {
        rc.right = rc.left + textWidth;
        rc.bottom = rc.top + textHeight;
    } else if (!text.empty()) {
        // The caller may have written the bits itself since cairo last drew there.
        cairo_surface_mark_dirty(target);
        if (!(format & DT_NOCLIP)) {
            cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
            cairo_clip(cr);
        }
        // The laid-out lines' box, in surface coordinates.
        double left = wrapped ? x + logical.x : x;
        if (dc->bkMode == OPAQUE) {
            SetSource(cr, dc->bkColor);
            cairo_rectangle(cr, left, y, textWidth, textHeight);
            cairo_fill(cr);
        }
        SetSource(cr, dc->textColor);
        cairo_move_to(cr, wrapped ? x : x - logical.x, y);
        pango_cairo_show_layout(cr, layout);
        cairo_surface_flush(target);
    }
    g_object_unref(layout);
    cairo_destroy(cr);

    if (text.empty() && (format & DT_CALCRECT) && !(format & DT_SINGLELINE))
        rc.bottom = rc.top;
    // With a single line placed lower in the rectangle, the result is the offset of the text's bottom.
    if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) && !(format & DT_CALCRECT))
        return y - rc.top + textHeight;
    return text.empty() && !(format & DT_SINGLELINE) ? 0 : textHeight;
}

extern "C" int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    DC* dc = Get<DC>(hDC, Kind::DC);
    Brush* brush = Get<Brush>(hbr, Kind::Brush);
    if (!dc || !brush || !lprc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (brush->hollow || lprc->right <= lprc->left || lprc->bottom <= lprc->top)
        return 1;
    cairo_surface_t* target = Target(dc);
    cairo_surface_mark_dirty(target);
    cairo_t* cr = cairo_create(target);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetSource(cr, brush->color);
    cairo_rectangle(cr, lprc->left, lprc->top, lprc->right - lprc->left, lprc->bottom - lprc->top);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    return 1;
}
