// The registry walk and module loading shared by the commands that start add-ins.
#include "host/AddinLoader.h"

#include "pal/host.h"

namespace host {

const WCHAR kAddinsKey[] = W("Software\\Microsoft\\Office\\Outlook\\Addins");

std::optional<std::u16string> ReadRegString(HKEY root, const std::u16string& path, const WCHAR* name)
{
    WCHAR buf[2048];
    DWORD size = sizeof(buf);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, buf,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::u16string(buf);
}

std::optional<DWORD> ReadRegDword(HKEY root, const std::u16string& path, const WCHAR* name)
{
    DWORD v = 0, size = sizeof(v);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return v;
}

namespace {

// ProgID -> CLSID, following CurVer to the current version's ProgID.
std::optional<std::u16string> ClsidOf(const std::u16string& progId)
{
    if (auto clsid = ReadRegString(HKEY_CLASSES_ROOT, progId + u"\\CLSID", nullptr))
        return clsid;
    if (auto curVer = ReadRegString(HKEY_CLASSES_ROOT, progId + u"\\CurVer", nullptr); curVer && *curVer != progId)
        return ReadRegString(HKEY_CLASSES_ROOT, *curVer + u"\\CLSID", nullptr);
    return std::nullopt;
}

} // namespace

AddinClass FindAddinClass(const std::string& progIdText)
{
    AddinClass a;
    std::u16string progId = pal::ToWide(progIdText);
    std::optional<std::u16string> clsidText = ClsidOf(progId);
    if (!clsidText) {
        a.error = "the ProgID " + progIdText + " is not registered (no CLSID under HKEY_CLASSES_ROOT)";
        return a;
    }
    a.clsid = pal::ToUtf8(*clsidText);
    if (FAILED(CLSIDFromString(clsidText->c_str(), &a.classId))) {
        a.error = "the CLSID " + a.clsid + " is malformed";
        return a;
    }
    std::u16string server = u"CLSID\\" + *clsidText + u"\\InprocServer32";
    std::optional<std::u16string> module = ReadRegString(HKEY_CLASSES_ROOT, server, nullptr);
    if (!module || module->empty()) {
        a.error = "the class " + a.clsid + " has no InprocServer32 module";
        return a;
    }
    a.module = pal::ToUtf8(*module);
    a.threadingModel = pal::ToUtf8(ReadRegString(HKEY_CLASSES_ROOT, server, W("ThreadingModel")).value_or(u""));
    return a;
}

bool AddinModule::Load(const std::string& path, std::string& error)
{
    Unload();
    m_module = LoadLibraryW(pal::ToWide(path).c_str());
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
