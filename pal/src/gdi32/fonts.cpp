// Logical fonts resolved through fontconfig. "Segoe UI" and the dialog faces are asked for by name
// first, then Noto Sans, a humanist face of the same role and nearly the same line height (ascent plus
// descent 1.36 em against Segoe UI's 1.33), then DejaVu Sans; Pango falls back from there per script.
#include "gdi32/fonts.h"

#include <string>

#include "pal/host.h"

namespace pal::gdi {

namespace {

const char kFallbackFaces[] = "Noto Sans,DejaVu Sans";

std::string FamilyList(const LOGFONTW& lf)
{
    std::u16string face;
    // Family lists are comma-separated; a face name never holds one.
    for (const WCHAR* c = lf.lfFaceName; *c && c < lf.lfFaceName + LF_FACESIZE; ++c)
        if (*c != u',' && *c >= 0x20)
            face += *c;
    std::string utf8 = ToUtf8(face);
    return utf8.empty() ? std::string(kFallbackFaces) : utf8 + "," + kFallbackFaces;
}

PangoFontDescription* Base(const LOGFONTW& lf)
{
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, FamilyList(lf).c_str());
    LONG weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : lf.lfWeight;
    weight = weight < 100 ? 100 : weight > 1000 ? 1000 : weight;
    pango_font_description_set_weight(d, PangoWeight(weight));
    pango_font_description_set_style(d, lf.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return d;
}

// A positive height is the cell (ascent plus descent) rather than the em: scale by the face's own ratio.
double CellToEm(const LOGFONTW& lf, double cell)
{
    const double probe = 1000;
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(map);
    PangoFontDescription* d = Base(lf);
    pango_font_description_set_absolute_size(d, probe * PANGO_SCALE);
    double em = cell;
    if (PangoFont* font = pango_context_load_font(context, d)) {
        PangoFontMetrics* m = pango_font_get_metrics(font, nullptr);
        double height = double(pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) / PANGO_SCALE;
        if (height > 0)
            em = cell * probe / height;
        pango_font_metrics_unref(m);
        g_object_unref(font);
    }
    pango_font_description_free(d);
    g_object_unref(context);
    return em;
}

} // namespace

PangoFontDescription* Describe(Font* font)
{
    const LOGFONTW& lf = font->logfont;
    if (font->pixelSize <= 0) {
        // Height 0 asks for the default size: the 16-pixel cell of the system font.
        LONG height = lf.lfHeight == 0 ? 16 : lf.lfHeight;
        font->pixelSize = height < 0 ? -double(height) : CellToEm(lf, double(height));
    }
    PangoFontDescription* d = Base(lf);
    pango_font_description_set_absolute_size(d, font->pixelSize * PANGO_SCALE);
    return d;
}

void AddFontAttributes(const Font* font, PangoAttrList* list)
{
    if (font->logfont.lfUnderline)
        pango_attr_list_insert(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font->logfont.lfStrikeOut)
        pango_attr_list_insert(list, pango_attr_strikethrough_new(TRUE));
}

void ApplyFontOptions(const Font* font, PangoContext* context)
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    const BYTE kNonAntialiased = 3;
    cairo_font_options_set_antialias(options, font->logfont.lfQuality == kNonAntialiased ? CAIRO_ANTIALIAS_NONE
                                                                                        : CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
}

} // namespace pal::gdi
