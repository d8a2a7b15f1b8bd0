// The console's answers to dialogs and message boxes; see ConsoleUserInterface.h.
#include "host/ui/ConsoleUserInterface.h"

#include <unistd.h>

#include "host/dialogs/DialogText.h"
#include "windows.h"

namespace host {

const char* ConsoleUserInterface::IconName(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR: return "error";
    case MB_ICONQUESTION: return "question";
    case MB_ICONWARNING: return "warning";
    case MB_ICONINFORMATION: return "information";
    default: return "message";
    }
}

bool ConsoleUserInterface::SaveFileDialog(const pal::SaveFileRequest& request, std::u16string& path)
{
    m_saveRequests.push_back(request);
    std::string name = pal::ToUtf8(request.fileName);
    if (!m_saveAs) {
        std::fprintf(m_out, "[save] \"%s\": cancelled\n", name.c_str());
        return false;
    }
    std::fprintf(m_out, "[save] \"%s\" as %s\n", name.c_str(), m_saveAs->c_str());
    path = pal::ToWide(*m_saveAs);
    m_saveAs.reset();
    return true;
}

int ConsoleUserInterface::ShowMessageBox(const pal::MessageBoxRequest& request)
{
    m_messageBoxes.push_back(request);
    std::string text = pal::ToUtf8(request.text);
    if (!request.caption.empty())
        std::fprintf(m_out, "[%s] %s: %s\n", IconName(request.type), pal::ToUtf8(request.caption).c_str(), text.c_str());
    else
        std::fprintf(m_out, "[%s] %s\n", IconName(request.type), text.c_str());
    // Only the box's first button can be pressed from here.
    switch (request.type & 0x0F) {
    case MB_YESNO: return IDYES;
    default: return IDOK;
    }
}

int ConsoleUserInterface::OpenDocument(const pal::OpenRequest& request)
{
    m_openRequests.push_back(request);
    if (!m_recordOpens)
        return pal::UserInterfaceHost::OpenDocument(request);
    std::fprintf(m_out, "[open] %s\n", pal::ToUtf8(request.file).c_str());
    // A local file that is not there fails as it would when opened.
    std::string path = pal::ToUnixPath(request.file.c_str());
    if (request.file.find(u"://") == std::u16string::npos && access(path.c_str(), F_OK) != 0)
        return 2; // SE_ERR_FNF
    return 42;
}

void ConsoleUserInterface::ModalDialogShown(HWND dialog)
{
    std::fputs(DialogText(pal::ViewDialog(dialog)).c_str(), m_out);
    pal::UserInterfaceHost::ModalDialogShown(dialog);
}

} // namespace host
