// The registry walk and module loading shared by the commands that start add-ins.
#include "host/AddinLoader.h"

#include "host/text/Utf.h"

namespace host {

const WCHAR kAddinsKey[] = W("Software\\Microsoft\\Office\\Outlook\\Addins");

std::optional<WString> ReadRegString(HKEY root, const WString& path, const WCHAR* name)
{
    WCHAR buf[2048];
    DWORD size = sizeof(buf);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, buf,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return WString(buf);
}

std::optional<DWORD> ReadRegDword(HKEY root, const WString& path, const WCHAR* name)
{
    DWORD v = 0, size = sizeof(v);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return v;
}

namespace {

// ProgID -> CLSID, following CurVer to the current version's ProgID.
std::optional<WString> ClsidOf(const WString& progId)
{
    if (auto clsid = ReadRegString(HKEY_CLASSES_ROOT, progId + W("\\CLSID"), nullptr))
        return clsid;
    if (auto curVer = ReadRegString(HKEY_CLASSES_ROOT, progId + W("\\CurVer"), nullptr); curVer && *curVer != progId)
        return ReadRegString(HKEY_CLASSES_ROOT, *curVer + W("\\CLSID"), nullptr);
    return std::nullopt;
}

} // namespace

AddinClass FindAddinClass(const std::string& progIdText)
{
    AddinClass a;
    WString progId = host::Wide(progIdText);
    std::optional<WString> clsidText = ClsidOf(progId);
    if (!clsidText) {
        a.error = "the ProgID " + progIdText + " is not registered (no CLSID under HKEY_CLASSES_ROOT)";
        return a;
    }
    a.clsid = host::Utf8(*clsidText);
    if (FAILED(CLSIDFromString(clsidText->c_str(), &a.classId))) {
        a.error = "the CLSID " + a.clsid + " is malformed";
        return a;
    }
    WString server = W("CLSID\\") + *clsidText + W("\\InprocServer32");
    std::optional<WString> module = ReadRegString(HKEY_CLASSES_ROOT, server, nullptr);
    if (!module || module->empty()) {
        a.error = "the class " + a.clsid + " has no InprocServer32 module";
        return a;
    }
    a.module = host::Utf8(*module);
    a.threadingModel = host::Utf8(ReadRegString(HKEY_CLASSES_ROOT, server, W("ThreadingModel")).value_or(W("")));
    return a;
}

bool AddinModule::Load(const std::string& path, std::string& error)
{
    Unload();
    m_module = LoadLibraryW(host::Wide(path).c_str());
    if (!m_module) {
        error = "the module " + path + " cannot be loaded";
        return false;
    }
    m_getClassObject = reinterpret_cast<GetClassObjectFn>(GetProcAddress(m_module, "DllGetClassObject"));
    m_canUnloadNow = reinterpret_cast<CanUnloadNowFn>(GetProcAddress(m_module, "DllCanUnloadNow"));
    if (!m_getClassObject)
        error = "the module " + path + " has no DllGetClassObject";
    return true;
}

HRESULT AddinModule::GetClassObject(REFCLSID clsid, IClassFactory** factory)
{
    *factory = nullptr;
    if (!m_getClassObject)
        return E_UNEXPECTED;
    return m_getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory));
}

HRESULT AddinModule::CreateInstance(REFCLSID clsid, IUnknown** object)
{
    *object = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = GetClassObject(clsid, &factory);
    if (SUCCEEDED(hr) && !factory)
        hr = E_POINTER;
    if (SUCCEEDED(hr))
        hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object));
    if (factory)
        factory->Release();
    if (SUCCEEDED(hr) && !*object)
        hr = E_POINTER;
    return hr;
}

HRESULT AddinModule::CanUnloadNow()
{
    return m_canUnloadNow ? m_canUnloadNow() : E_NOTIMPL;
}

void AddinModule::UnloadIfIdle()
{
    if (m_module && (!m_canUnloadNow || m_canUnloadNow() == S_OK))
        Unload();
}

void AddinModule::Unload()
{
    if (m_module)
        FreeLibrary(m_module);
    m_module = nullptr;
    m_getClassObject = nullptr;
    m_canUnloadNow = nullptr;
}

} // namespace host
