// The compiler COM support library's error raising, which mingw-w64 declares in comdef.h but does not
// ship: a failed HRESULT becomes a _com_error, with the object's error information when it offers some
// for the interface.
#include <comdef.h>

void WINAPI _com_issue_errorex(HRESULT hr, IUnknown* punk, REFIID riid)
{
    IErrorInfo* info = nullptr;
    if (punk) {
        ISupportErrorInfo* support = nullptr;
        if (SUCCEEDED(punk->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)))) {
            if (support->InterfaceSupportsErrorInfo(riid) == S_OK && GetErrorInfo(0, &info) != S_OK)
                info = nullptr;
            support->Release();
        }
    }
    _com_raise_error(hr, info);
}
