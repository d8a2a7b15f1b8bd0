// The sink of one Read window's events, handing them to the controller.
#include "addin/ReadWindowSink.h"

#include "addin/Connect.h"

const IID DIID_InspectorEvents_10 = {0x0006302A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

_ATL_FUNC_INFO CReadWindowSink::fiNoArguments = {CC_STDCALL, VT_EMPTY, 0, {}};

namespace {
constexpr DWORD NO_EVENT_COOKIE = 0xFEFEFEFE;
}

CReadWindowSink::CReadWindowSink(CConnect& owner, Outlook::_Inspector* pInspector)
    : m_owner(owner), m_spInspector(pInspector)
{
}

CReadWindowSink::~CReadWindowSink()
{
    try {
        Unadvise();
    }
    VTR_CATCH_LOG
}

HRESULT CReadWindowSink::Advise()
{
    if (!m_spInspector)
        return E_POINTER;
    return DispEventAdvise(m_spInspector);
}

HRESULT CReadWindowSink::Unadvise()
{
    if (m_dwEventCookie == NO_EVENT_COOKIE || !m_spInspector)
        return S_FALSE;
    return DispEventUnadvise(m_spInspector);
}

bool CReadWindowSink::IsWindow(IUnknown* pWindow) const
{
    // COM identity: the same object answers IUnknown with the same pointer.
    CComPtr<IUnknown> spMine, spOther;
    if (!m_spInspector || !pWindow)
        return false;
    m_spInspector->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spMine));
    pWindow->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spOther));
    return spMine && spMine.p == spOther.p;
}

void CReadWindowSink::OnActivate()
{
    m_owner.InspectorActivate(this);
}

void CReadWindowSink::OnClose()
{
    m_owner.InspectorClose(this);
}
