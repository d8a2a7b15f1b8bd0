// File association queries answered from the freedesktop data: the shared MIME database (globs and type
// descriptions) for what an extension is, the desktop entries with mimeapps.list for what opens it. GIO
// reads both and keeps them cached and current.
// The layer's headers first: GLib defines TRUE and FALSE only where they are not defined yet.
#include "shlwapi.h"
#include "windows.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <cstring>
#include <memory>
#include <string>
#include "common/stub.h"

#ifndef ERROR_NO_ASSOCIATION
#define ERROR_NO_ASSOCIATION 1155L
#endif

extern "C" LPVOID CoTaskMemAlloc(SIZE_T cb);

namespace {

const HRESULT kNoAssociation = HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
using GString8 = std::unique_ptr<char, GFreeDeleter>;

// The MIME type of an extension (".pdf"), or empty when the database does not know it. The extension is
// taken only as written after its dot, so no path or glob character reaches the lookup.
std::string MimeTypeOf(LPCWSTR ext)
{
    if (!ext || ext[0] != u'.' || !ext[1])
        return {};
    GString8 utf8(g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(ext), -1, nullptr, nullptr, nullptr));
    if (!utf8 || std::strpbrk(utf8.get() + 1, "./\\*?[]") != nullptr)
        return {};
    std::string name = std::string("file") + utf8.get();
    gboolean uncertain = FALSE;
    GString8 type(g_content_type_guess(name.c_str(), nullptr, 0, &uncertain));
    if (!type || g_content_type_is_unknown(type.get()))
        return {};
    return type.get();
}

bool IsA(const std::string& type, const char* super) { return g_content_type_is_a(type.c_str(), super); }

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

PERCEIVED PerceivedOf(const std::string& type, const char** name)
{
    struct Kind {
        PERCEIVED type;
        const char* name;
    };
    static const char* const kArchives[] = {"application/zip", "application/x-tar", "application/gzip",
                                            "application/x-7z-compressed", "application/vnd.rar",
                                            "application/x-rar", "application/x-bzip", "application/x-bzip2",
                                            "application/x-xz", "application/x-compress",
                                            "application/vnd.ms-cab-compressed", "application/x-cpio",
                                            "application/x-lzip", "application/zstd", "application/x-arj",
                                            "application/x-lha"};
    static const char* const kPrograms[] = {"application/x-executable", "application/x-ms-dos-executable",
                                            "application/x-msdownload", "application/x-msi",
                                            "application/x-ms-shortcut", "application/x-msdos-program"};
    static const char* const kDocuments[] = {"application/pdf", "application/msword", "application/rtf",
                                             "application/vnd.ms-excel", "application/vnd.ms-powerpoint",
                                             "application/postscript"};
    Kind kind{PERCEIVED_TYPE_UNSPECIFIED, nullptr};
    // Office formats are ZIP containers to the database: documents first, archives after.
    for (const char* t : kDocuments)
        if (IsA(type, t))
            kind = {PERCEIVED_TYPE_DOCUMENT, "document"};
    if (StartsWith(type, "application/vnd.openxmlformats-officedocument.") ||
        StartsWith(type, "application/vnd.oasis.opendocument."))
        kind = {PERCEIVED_TYPE_DOCUMENT, "document"};
    if (kind.name == nullptr) {
        if (IsA(type, "text/plain") || StartsWith(type, "text/"))
            kind = {PERCEIVED_TYPE_TEXT, "text"};
        else if (StartsWith(type, "image/"))
            kind = {PERCEIVED_TYPE_IMAGE, "image"};
        else if (StartsWith(type, "audio/"))
            kind = {PERCEIVED_TYPE_AUDIO, "audio"};
        else if (StartsWith(type, "video/"))
            kind = {PERCEIVED_TYPE_VIDEO, "video"};
        for (const char* t : kArchives)
            if (kind.name == nullptr && IsA(type, t))
                kind = {PERCEIVED_TYPE_COMPRESSED, "compressed"};
        for (const char* t : kPrograms)
            if (kind.name == nullptr && IsA(type, t))
                kind = {PERCEIVED_TYPE_APPLICATION, "application"};
    }
    *name = kind.name;
    return kind.type;
}

// Exec with its field codes in the shell's form: the file as "%1", the icon, name and entry location
// written out, the deprecated codes dropped.
std::string CommandOf(GAppInfo* app)
{
    const char* exec = g_app_info_get_commandline(app);
    if (!exec)
        return {};
    GDesktopAppInfo* desktop = G_IS_DESKTOP_APP_INFO(app) ? G_DESKTOP_APP_INFO(app) : nullptr;
    std::string out;
    for (const char* p = exec; *p; ++p) {
        if (*p != '%' || !p[1]) {
            out += *p;
            continue;
        }
        switch (*++p) {
        case 'f': case 'F': case 'u': case 'U':
            out += "\"%1\"";
            break;
        case '%':
            out += '%';
            break;
        case 'c':
            if (const char* name = g_app_info_get_name(app))
                out += name;
            break;
        case 'k':
            if (const char* file = desktop ? g_desktop_app_info_get_filename(desktop) : nullptr)
                out += file;
            break;
        case 'i':
            if (desktop) {
                GString8 icon(g_desktop_app_info_get_string(desktop, "Icon"));
                if (icon && *icon)
                    out += std::string("--icon ") + icon.get();
            }
            break;
        default:
            break;
        }
    }
    // Codes that expand to nothing leave their blank behind.
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

HRESULT ReturnString(ASSOCF flags, const std::string& utf8, LPWSTR out, DWORD* outLen)
{
    glong units = 0;
    GString8 wide(reinterpret_cast<char*>(g_utf8_to_utf16(utf8.c_str(), -1, nullptr, &units, nullptr)));
    if (!wide)
        return kNoAssociation;
    const auto* text = reinterpret_cast<const WCHAR*>(wide.get());
    DWORD needed = DWORD(units) + 1;
    if (!out) {
        *outLen = needed;
        return S_FALSE;
    }
    DWORD size = *outLen;
    *outLen = needed;
    if (size >= needed) {
        std::memcpy(out, text, needed * sizeof(WCHAR));
        return S_OK;
    }
    if (!(flags & ASSOCF_NOTRUNCATE) && size > 0) {
        std::memcpy(out, text, (size - 1) * sizeof(WCHAR));
        out[size - 1] = 0;
    }
    return E_POINTER;
}

} // namespace

STDAPI AssocGetPerceivedType(LPCWSTR pszExt, PERCEIVED* ptype, PERCEIVEDFLAG* pflag, LPWSTR* ppszType)
{
    if (ppszType)
        *ppszType = nullptr;
    if (ptype)
        *ptype = PERCEIVED_TYPE_UNSPECIFIED;
    if (pflag)
        *pflag = PERCEIVEDFLAG_UNDEFINED;
    if (!pszExt || !pszExt[0] || !ptype || !pflag)
        return E_INVALIDARG;
    std::string type = MimeTypeOf(pszExt);
    const char* name = nullptr;
    PERCEIVED perceived = type.empty() ? PERCEIVED_TYPE_UNSPECIFIED : PerceivedOf(type, &name);
    if (!name)
        return kNoAssociation;
    if (ppszType) {
        size_t n = std::strlen(name);
        auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((n + 1) * sizeof(WCHAR)));
        if (!copy)
            return E_OUTOFMEMORY;
        for (size_t i = 0; i <= n; ++i)
            copy[i] = WCHAR(name[i]);
        *ppszType = copy;
    }
    *ptype = perceived;
    *pflag = PERCEIVEDFLAG_SOFTCODED;
    return S_OK;
}

STDAPI AssocQueryStringW(ASSOCF flags, ASSOCSTR str, LPCWSTR pszAssoc, LPCWSTR, LPWSTR pszOut, DWORD* pcchOut)
{
    if (!pcchOut || !pszAssoc || !pszAssoc[0])
        return E_INVALIDARG;
    if (str != ASSOCSTR_COMMAND && str != ASSOCSTR_FRIENDLYDOCNAME && str != ASSOCSTR_FRIENDLYAPPNAME)
        return PAL_STUB();
    std::string type = MimeTypeOf(pszAssoc);
    if (type.empty())
        return kNoAssociation;
    std::string answer;
    if (str == ASSOCSTR_FRIENDLYDOCNAME) {
        GString8 description(g_content_type_get_description(type.c_str()));
        // GIO falls back to the type itself when the database has no comment for it.
        if (description && type != description.get())
            answer = description.get();
    } else if (GAppInfo* app = g_app_info_get_default_for_type(type.c_str(), FALSE)) {
        answer = str == ASSOCSTR_FRIENDLYAPPNAME ? (g_app_info_get_name(app) ? g_app_info_get_name(app) : "")
                                                 : CommandOf(app);
        g_object_unref(app);
    }
    if (answer.empty())
        return kNoAssociation;
    return ReturnString(flags, answer, pszOut, pcchOut);
}
