// The handle table of the drawing objects, the stock objects and the live-object count.
#include "gdi32/objects.h"

#include <cstdlib>

#include "pal/gdi.h"

namespace pal::gdi {

namespace {

struct Slot {
    std::unique_ptr<Object> object;
    uint16_t reuse = 1;
};

// Slot i answers to handle (reuse << 16) | (i + 1).
const size_t kMaxSlots = 0xFFFF;

std::vector<Slot>& Slots()
{
    static auto* slots = new std::vector<Slot>; // outlives modules that release objects at exit
    return *slots;
}

std::vector<size_t>& FreeSlots()
{
    static auto* free = new std::vector<size_t>;
    return *free;
}

HGDIOBJ HandleOf(size_t index)
{
    return reinterpret_cast<HGDIOBJ>((uintptr_t(Slots()[index].reuse) << 16) | (index + 1));
}

bool IndexOf(HGDIOBJ handle, size_t& index)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0 || value > 0xFFFFFFFFu || (value & 0xFFFF) == 0)
        return false;
    index = (value & 0xFFFF) - 1;
    return index < Slots().size() && Slots()[index].object && Slots()[index].reuse == (value >> 16);
}

struct StockTable {
    HGDIOBJ white, black, hollow, systemFont, guiFont, bitmap;
};

std::unique_ptr<Object> MakeStock(std::unique_ptr<Object> o)
{
    o->stock = true;
    return o;
}

std::unique_ptr<Object> StockBrush(COLORREF color, bool hollow)
{
    auto b = std::make_unique<Brush>();
    b->color = color;
    b->hollow = hollow;
    return MakeStock(std::move(b));
}

std::unique_ptr<Object> StockFont(LONG height, LONG weight)
{
    auto f = std::make_unique<Font>();
    f->logfont.lfHeight = height;
    f->logfont.lfWeight = weight;
    f->logfont.lfCharSet = DEFAULT_CHARSET;
    return MakeStock(std::move(f));
}

const StockTable& Stocks()
{
    static const StockTable table = [] {
        StockTable t{};
        t.white = Insert(StockBrush(RGB(255, 255, 255), false));
        t.black = Insert(StockBrush(RGB(0, 0, 0), false));
        t.hollow = Insert(StockBrush(0, true));
        // The system font is a bold 16-pixel cell, the GUI font 8 points at 96 dots per inch; both are
        // drawn with the default interface face.
        t.systemFont = Insert(StockFont(16, FW_BOLD));
        t.guiFont = Insert(StockFont(-11, FW_NORMAL));
        auto bitmap = std::make_unique<Bitmap>();
        bitmap->width = bitmap->height = 1;
        bitmap->bitsPerPixel = 1;
        bitmap->stride = 2;
        bitmap->bits = static_cast<BYTE*>(std::calloc(1, 2));
        t.bitmap = Insert(MakeStock(std::move(bitmap)));
        return t;
    }();
    return table;
}

} // namespace

std::recursive_mutex& Mutex()
{
    static auto* m = new std::recursive_mutex;
    return *m;
}

Bitmap::~Bitmap()
{
    if (surface)
        cairo_surface_destroy(surface);
    std::free(bits);
}

HGDIOBJ Insert(std::unique_ptr<Object> object)
{
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    size_t index;
    if (!FreeSlots().empty()) {
        index = FreeSlots().back();
        FreeSlots().pop_back();
    } else {
        if (Slots().size() >= kMaxSlots)
            return nullptr;
        index = Slots().size();
        Slots().emplace_back();
    }
    Slots()[index].object = std::move(object);
    return HandleOf(index);
}

Object* Find(HGDIOBJ handle)
{
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    Stocks();
    size_t index;
    return IndexOf(handle, index) ? Slots()[index].object.get() : nullptr;
}

void Erase(HGDIOBJ handle)
{
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    size_t index;
    if (!IndexOf(handle, index))
        return;
    Slot& slot = Slots()[index];
    slot.object.reset();
    // A slot whose reuse count has gone all the way round is retired rather than handed out again.
    if (++slot.reuse != 0)
        FreeSlots().push_back(index);
}

size_t LiveCount()
{
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    size_t n = 0;
    for (const Slot& s : Slots())
        if (s.object && !s.object->stock)
            ++n;
    return n;
}

HGDIOBJ Stock(int index)
{
    const StockTable& t = Stocks();
    switch (index) {
    case WHITE_BRUSH: return t.white;
    case BLACK_BRUSH: return t.black;
    case NULL_BRUSH: return t.hollow;
    case SYSTEM_FONT: return t.systemFont;
    case DEFAULT_GUI_FONT: return t.guiFont;
    default: return nullptr;
    }
}

HGDIOBJ DefaultBitmap() { return Stocks().bitmap; }

std::unique_ptr<Bitmap> NewBitmap32(LONG width, LONG height)
{
    if (width < 1 || height < 1 || width > 32767 || height > 32767)
        return nullptr;
    auto b = std::make_unique<Bitmap>();
    b->width = width;
    b->height = height;
    b->stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
    b->bits = static_cast<BYTE*>(std::calloc(size_t(b->stride) * size_t(height), 1));
    if (!b->bits)
        return nullptr;
    b->surface = cairo_image_surface_create_for_data(b->bits, CAIRO_FORMAT_ARGB32, width, height, b->stride);
    if (cairo_surface_status(b->surface) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return b;
}

cairo_surface_t* Target(DC* dc)
{
    static cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    if (!dc->screen)
        if (auto* b = Get<Bitmap>(dc->bitmap, Kind::Bitmap); b && b->surface)
            return b->surface;
    return scratch;
}

void Deselect(HGDIOBJ handle)
{
    Object* o = Find(handle);
    if (!o || o->selections == 0)
        return;
    if (--o->selections == 0 && o->deletePending)
        Erase(handle);
}

} // namespace pal::gdi

size_t pal::LiveGdiObjects() { return pal::gdi::LiveCount(); }
