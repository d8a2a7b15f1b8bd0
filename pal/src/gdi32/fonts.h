// Fonts as Pango describes them: the logical font's face (with the faces standing in for the Windows
// interface fonts), weight, slant and its height turned into pixels at 96 dots per inch.
#pragma once

// Before Pango: glib then keeps the system's TRUE and FALSE.
#include "gdi32/objects.h"

#include <pango/pangocairo.h>

namespace pal::gdi {

// The caller frees it with pango_font_description_free.
PangoFontDescription* Describe(Font* font);

// Underline and strike-out of the logical font, for a text of byteCount bytes.
void AddFontAttributes(const Font* font, PangoAttrList* list);

// Options that make text metrics whole pixels, as GDI's are; grey antialiasing unless the font asks for
// none (sub-pixel colour would stain an alpha bitmap).
void ApplyFontOptions(const Font* font, PangoContext* context);

} // namespace pal::gdi
