// The events of one Read window (an Inspector) that the add-in follows: Activate and Close. Each window has a
// sink of its own, because an Inspector's events carry the same dispatch ids as the Explorer's and so cannot
// share the controller's sink.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <atlcom.h>
#include <outlook.h>

class CConnect;

extern const IID DIID_InspectorEvents_10;

class CReadWindowSink : public IDispEventSimpleImpl<1, CReadWindowSink, &DIID_InspectorEvents_10> {
public:
    CReadWindowSink(CConnect& owner, Outlook::_Inspector* pInspector);
    ~CReadWindowSink();
    CReadWindowSink(const CReadWindowSink&) = delete;
    CReadWindowSink& operator=(const CReadWindowSink&) = delete;

    HRESULT Advise();
    // Safe to call twice; the second call does nothing.
    HRESULT Unadvise();
    Outlook::_Inspector* Inspector() const noexcept { return m_spInspector; }
    bool IsWindow(IUnknown* pWindow) const;

    void STDMETHODCALLTYPE OnActivate();
    void STDMETHODCALLTYPE OnClose();

    BEGIN_SINK_MAP(CReadWindowSink)
        SINK_ENTRY_INFO(1, DIID_InspectorEvents_10, Outlook::dispidEventActivate, &CReadWindowSink::OnActivate,
                        &fiNoArguments)
        SINK_ENTRY_INFO(1, DIID_InspectorEvents_10, Outlook::dispidEventClose, &CReadWindowSink::OnClose,
                        &fiNoArguments)
    END_SINK_MAP()

private:
    static _ATL_FUNC_INFO fiNoArguments;

    CConnect& m_owner;
    CComPtr<Outlook::_Inspector> m_spInspector;
};
