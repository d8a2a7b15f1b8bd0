// The console's answers to dialogs and message boxes; see ConsoleUserInterface.h.
#include "host/ui/ConsoleUserInterface.h"

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

void ConsoleUserInterface::ModalDialogShown(HWND dialog)
{
    std::fputs(DialogText(pal::ViewDialog(dialog)).c_str(), m_out);
    pal::UserInterfaceHost::ModalDialogShown(dialog);
}

} // namespace host
