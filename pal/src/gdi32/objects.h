// The process's drawing objects behind GDI and icon handles. A handle is a slot index with a reuse count
// (it fits the 32 bits OLE_HANDLE carries), so a stale or foreign handle is found out, never followed.
#pragma once

#include <cairo.h>

#include <memory>
#include <mutex>
#include <vector>

#include "windows.h"

namespace pal::gdi {

enum class Kind { DC, Font, Brush, Bitmap, Icon };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    const Kind kind;
    bool stock = false;
    int selections = 0;         // device contexts that have it selected
    bool deletePending = false; // deleted while selected: goes when the last selection does
};

struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONTW logfont{};
    double pixelSize = 0; // em size in pixels, worked out on first use
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    COLORREF color = 0;
    bool hollow = false;
};

// A bitmap of 32 bits (premultiplied B, G, R, A; a cairo surface over the bits) or of 1 bit (icon masks:
// rows of 16-bit units, most significant bit first, 1 where the screen shows through).
struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    ~Bitmap() override;
    LONG width = 0;
    LONG height = 0;
    WORD bitsPerPixel = 32;
    LONG stride = 0;
    BYTE* bits = nullptr;
    cairo_surface_t* surface = nullptr;
    HDC selectedInto = nullptr;
};

struct Icon : Object {
    Icon() : Object(Kind::Icon) {}
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // premultiplied 0xAARRGGBB, top-down
};

struct DC : Object {
    DC() : Object(Kind::DC) {}
    bool screen = false;
    HGDIOBJ font = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ bitmap = nullptr; // memory contexts only
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
};

// Held by every entry point for the whole call: handles are shared by the process's threads.
std::recursive_mutex& Mutex();

HGDIOBJ Insert(std::unique_ptr<Object> object);
Object* Find(HGDIOBJ handle);
template <class T> T* Get(HGDIOBJ handle, Kind kind)
{
    Object* o = Find(handle);
    return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
// Destroys the object and frees its slot.
void Erase(HGDIOBJ handle);
size_t LiveCount();

// The stock objects, and the one-pixel bitmap a new memory context starts with.
HGDIOBJ Stock(int index);
HGDIOBJ DefaultBitmap();

// A 32-bit bitmap with zeroed bits; null when the size is not drawable (each side 1 to 32767).
std::unique_ptr<Bitmap> NewBitmap32(LONG width, LONG height);

// Where a context draws: its bitmap's surface, or a one-pixel scratch surface (the screen, a mask).
cairo_surface_t* Target(DC* dc);

// Releases what a context has selected and the context itself.
void DestroyContext(HDC hdc, DC* dc);

// Brings a selection count down; deletes an object whose deletion was waiting for it.
void Deselect(HGDIOBJ handle);

} // namespace pal::gdi
