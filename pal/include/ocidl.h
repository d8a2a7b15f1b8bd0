// Vantora platform layer: declares only what Vantora uses of the OLE control interfaces: connection points,
// through which a source calls the event sinks advised on it.
#pragma once

#pragma GCC visibility push(default)

#include "pal/com.h"

struct IConnectionPointContainer;
struct IEnumConnections;
struct IEnumConnectionPoints;

typedef struct tagCONNECTDATA {
    IUnknown* pUnk;
    DWORD dwCookie;
} CONNECTDATA, *LPCONNECTDATA;

DECLARE_INTERFACE_IID(IConnectionPoint, IUnknown, "B196B286-BAB4-101A-B69C-00AA00341D07")
{
    virtual HRESULT GetConnectionInterface(IID* pIID) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
    virtual HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
    virtual HRESULT Unadvise(DWORD dwCookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** ppEnum) = 0;
};

DECLARE_INTERFACE_IID(IConnectionPointContainer, IUnknown, "B196B284-BAB4-101A-B69C-00AA00341D07")
{
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) = 0;
};

#define IID_IConnectionPoint __uuidof(IConnectionPoint)
#define IID_IConnectionPointContainer __uuidof(IConnectionPointContainer)

#pragma GCC visibility pop
