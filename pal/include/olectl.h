// Vantora platform layer: declares only what Vantora uses of OLE pictures: IPicture, IPictureDisp and
// OleCreatePictureIndirect for bitmaps.
#pragma once

#pragma GCC visibility push(default)

#include "pal/com.h"
#include "objidl.h"
#include "wingdi.h"

typedef UINT OLE_HANDLE;
typedef LONG OLE_XPOS_HIMETRIC;
typedef LONG OLE_YPOS_HIMETRIC;
typedef LONG OLE_XSIZE_HIMETRIC;
typedef LONG OLE_YSIZE_HIMETRIC;

#define PICTYPE_UNINITIALIZED (-1)
#define PICTYPE_NONE 0
#define PICTYPE_BITMAP 1
#define PICTYPE_METAFILE 2
#define PICTYPE_ICON 3
#define PICTYPE_ENHMETAFILE 4

typedef struct tagPICTDESC {
    UINT cbSizeofstruct;
    UINT picType;
    union {
        struct {
            HBITMAP hbitmap;
            HPALETTE hpal;
        } bmp;
        struct {
            HICON hicon;
        } icon;
    };
} PICTDESC, *LPPICTDESC;

DECLARE_INTERFACE_IID(IPicture, IUnknown, "7BF80980-BF32-101A-8BBB-00AA00300CAB")
{
    virtual HRESULT get_Handle(OLE_HANDLE* pHandle) = 0;
    virtual HRESULT get_hPal(OLE_HANDLE* phPal) = 0;
    virtual HRESULT get_Type(SHORT* pType) = 0;
    virtual HRESULT get_Width(OLE_XSIZE_HIMETRIC* pWidth) = 0;
    virtual HRESULT get_Height(OLE_YSIZE_HIMETRIC* pHeight) = 0;
    virtual HRESULT Render(HDC hDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                           OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                           LPCRECT pRcWBounds) = 0;
    virtual HRESULT set_hPal(OLE_HANDLE hPal) = 0;
    virtual HRESULT get_CurDC(HDC* phDC) = 0;
    virtual HRESULT SelectPicture(HDC hDCIn, HDC* phDCOut, OLE_HANDLE* phBmpOut) = 0;
    virtual HRESULT get_KeepOriginalFormat(BOOL* pKeep) = 0;
    virtual HRESULT put_KeepOriginalFormat(BOOL keep) = 0;
    virtual HRESULT PictureChanged() = 0;
    virtual HRESULT SaveAsFile(LPSTREAM pStream, BOOL fSaveMemCopy, LONG* pCbSize) = 0;
    virtual HRESULT get_Attributes(DWORD* pDwAttr) = 0;
};
typedef IPicture* LPPICTURE;

// A dispatch interface: its properties are reached through IDispatch alone.
DECLARE_INTERFACE_IID(IPictureDisp, IDispatch, "7BF80981-BF32-101A-8BBB-00AA00300CAB"){};
typedef IPictureDisp* LPPICTUREDISP;

#define IID_IPicture __uuidof(IPicture)
#define IID_IPictureDisp __uuidof(IPictureDisp)

// fOwn: the picture deletes its bitmap when its last reference goes.
STDAPI OleCreatePictureIndirect(LPPICTDESC lpPictDesc, REFIID riid, BOOL fOwn, LPVOID* lplpvObj);

#pragma GCC visibility pop
