// The thread's COM error information (GetErrorInfo hands it over and clears it, as on Windows).
#include "atlbase.h"
#include "pal/com_object.h"
#include "windows.h"

namespace {

thread_local IErrorInfo* t_errorInfo = nullptr;

class CErrorObject final : public pal::ComObject<IErrorInfo, ICreateErrorInfo> {
public:
    HRESULT GetGUID(GUID* p) override { return p ? (*p = m_guid, S_OK) : E_INVALIDARG; }
    HRESULT GetSource(BSTR* p) override { return m_source.CopyTo(p); }
    HRESULT GetDescription(BSTR* p) override { return m_description.CopyTo(p); }
    HRESULT GetHelpFile(BSTR* p) override { return m_helpFile.CopyTo(p); }
    HRESULT GetHelpContext(DWORD* p) override { return p ? (*p = m_helpContext, S_OK) : E_INVALIDARG; }
    HRESULT SetGUID(REFGUID g) override { m_guid = g; return S_OK; }
    HRESULT SetSource(LPOLESTR s) override { m_source = s; return S_OK; }
    HRESULT SetDescription(LPOLESTR s) override { m_description = s; return S_OK; }
    HRESULT SetHelpFile(LPOLESTR s) override { m_helpFile = s; return S_OK; }
    HRESULT SetHelpContext(DWORD c) override { m_helpContext = c; return S_OK; }

private:
    ~CErrorObject() = default;
    GUID m_guid = GUID_NULL;
    CComBSTR m_source, m_description, m_helpFile;
    DWORD m_helpContext = 0;
};

} // namespace

extern "C" HRESULT GetErrorInfo(ULONG, IErrorInfo** pperrinfo)
{
    if (!pperrinfo)
        return E_INVALIDARG;
    *pperrinfo = t_errorInfo;
    t_errorInfo = nullptr;
    return *pperrinfo ? S_OK : S_FALSE;
}

extern "C" HRESULT SetErrorInfo(ULONG, IErrorInfo* perrinfo)
{
    if (perrinfo)
        perrinfo->AddRef();
    IErrorInfo* old = t_errorInfo;
    t_errorInfo = perrinfo;
    if (old)
        old->Release();
    return S_OK;
}

extern "C" HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo)
{
    if (!pperrinfo)
        return E_INVALIDARG;
    *pperrinfo = new CErrorObject();
    return S_OK;
}
