// A dialog drawn as a PNG, as a person would see it on Windows: the window frame with its caption and
// close box, and every visible control at its rectangle with its text, state and pictures.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "pal/dialogs.h"

namespace host {

struct DialogPicture {
    LONG width = 0, height = 0;
    std::vector<uint32_t> pixels; // top-down rows, 0xAARRGGBB premultiplied
};

// What the drawing needs beyond the dialog's view, read while the dialog is alive: the statics' pictures
// and the list views' extended styles (check boxes, grid lines).
struct DialogShot {
    pal::DialogView view;
    std::map<HWND, DialogPicture> pictures;
    std::map<HWND, DWORD> listViewStyles;
};

// resources: the module whose bitmaps a picture static names by number, for the statics that were given
// no image of their own (Windows loads those from the dialog's module itself).
DialogShot CaptureDialog(HWND dialog, HMODULE resources = nullptr);

// The pixels of a device-independent bitmap as a bitmap resource holds it (BITMAPINFOHEADER, palette,
// rows bottom-up unless the height is negative; 1, 4, 8, 24 and 32 bits uncompressed); false otherwise.
bool DecodeDib(const BYTE* data, size_t size, DialogPicture& picture);

// False with a reason when the file cannot be written. The image is the dialog's window rectangle.
bool RenderDialogPng(const DialogShot& shot, const std::string& path, std::string& error);

} // namespace host
