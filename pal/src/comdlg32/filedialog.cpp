// The save-file dialog: the request is handed to the host program, whose answer is written back as the
// dialog writes it (the full path, the offsets of its name and extension). Without a host the dialog is
// cancelled.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commdlg.h"
#include "pal/host.h"
#include "user32/uihost.h"
#include "windows.h"

namespace {

thread_local DWORD t_extendedError = 0;

BOOL Fail(DWORD error)
{
    t_extendedError = error;
    return FALSE;
}

// "Text\0*.txt\0All\0*.*\0\0" as pairs; an odd last entry has an empty pattern.
std::vector<std::pair<std::u16string, std::u16string>> SplitFilter(LPCWSTR filter)
{
    std::vector<std::pair<std::u16string, std::u16string>> pairs;
    while (filter && *filter) {
        std::u16string description = filter;
        filter += description.size() + 1;
        std::u16string pattern = filter;
        filter += pattern.size() + 1;
        bool last = pattern.empty();
        pairs.emplace_back(std::move(description), std::move(pattern));
        if (last)
            break;
    }
    return pairs;
}

std::u16string Text(LPCWSTR s) { return s ? s : u""; }

} // namespace

extern "C" DWORD CommDlgExtendedError() { return t_extendedError; }

extern "C" BOOL GetSaveFileNameW(LPOPENFILENAMEW lpofn)
{
    t_extendedError = 0;
    if (!lpofn || lpofn->lStructSize != sizeof(OPENFILENAMEW))
        return Fail(CDERR_STRUCTSIZE);
    if (!lpofn->lpstrFile || lpofn->nMaxFile == 0)
        return Fail(CDERR_INITIALIZATION);

    pal::SaveFileRequest request;
    request.owner = lpofn->hwndOwner;
    request.title = Text(lpofn->lpstrTitle);
    request.initialDir = Text(lpofn->lpstrInitialDir);
    // An initial name that fills the buffer without its terminator is taken up to the buffer's end.
    std::u16string_view buffer(lpofn->lpstrFile, lpofn->nMaxFile);
    request.fileName = buffer.substr(0, buffer.find(u'\0'));
    request.filters = SplitFilter(lpofn->lpstrFilter);
    request.filterIndex = lpofn->nFilterIndex;
    request.defaultExtension = Text(lpofn->lpstrDefExt);
    request.flags = lpofn->Flags;

    pal::UserInterfaceHost* host = pal::detail::CurrentUserInterfaceHost();
    std::u16string chosen;
    if (!host || !host->SaveFileDialog(request, chosen))
        return FALSE;
    if (chosen.empty())
        return Fail(FNERR_INVALIDFILENAME);
    // The caller gets a Windows path, as from the real dialog.
    std::u16string path = chosen[0] == u'/' ? pal::ToWindowsPath(pal::ToUtf8(chosen)) : chosen;
    size_t nameStart = path.find_last_of(u"\\/");
    nameStart = nameStart == std::u16string::npos ? 0 : nameStart + 1;
    if (nameStart >= path.size())
        return Fail(FNERR_INVALIDFILENAME);
    if (path.size() + 1 > lpofn->nMaxFile || path.size() > 0xFFFF) {
        // The required size, in characters, goes in the buffer's first two bytes.
        if (lpofn->nMaxFile >= 1)
            lpofn->lpstrFile[0] = WCHAR(path.size() + 1 > 0xFFFF ? 0xFFFF : path.size() + 1);
        return Fail(FNERR_BUFFERTOOSMALL);
    }
    path.copy(lpofn->lpstrFile, path.size());
    lpofn->lpstrFile[path.size()] = 0;
    size_t dot = path.find_last_of(u'.');
    lpofn->nFileOffset = WORD(nameStart);
    lpofn->nFileExtension = WORD(dot != std::u16string::npos && dot > nameStart ? dot + 1 : 0);
    if (lpofn->lpstrFileTitle && lpofn->nMaxFileTitle > 0) {
        std::u16string title = path.substr(nameStart);
        size_t n = title.size() < lpofn->nMaxFileTitle ? title.size() : lpofn->nMaxFileTitle - 1;
        title.copy(lpofn->lpstrFileTitle, n);
        lpofn->lpstrFileTitle[n] = 0;
    }
    return TRUE;
}
