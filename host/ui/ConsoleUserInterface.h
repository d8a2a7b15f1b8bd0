// The person in front of vantora: answers the add-in's save dialogs with a path given on the command line
// (or cancels them), prints each message box's text with its icon and each dialog as text, and opens
// documents and addresses with the desktop's application, or only records and prints them when told to.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "pal/host.h"

namespace host {

class ConsoleUserInterface : public pal::UserInterfaceHost {
public:
    explicit ConsoleUserInterface(FILE* out) : m_out(out) {}

    // The next save dialog is answered with this path (one dialog only; later ones are cancelled).
    void SaveNextAs(const std::string& path) { m_saveAs = path; }
    // The next save dialog is cancelled (the default).
    void CancelNextSave() { m_saveAs.reset(); }

    // Documents and addresses are printed as "[open] target" and not opened.
    void RecordOpens(bool record) { m_recordOpens = record; }

    bool SaveFileDialog(const pal::SaveFileRequest& request, std::u16string& path) override;
    int ShowMessageBox(const pal::MessageBoxRequest& request) override;
    int OpenDocument(const pal::OpenRequest& request) override;
    // Prints the dialog as text, then closes it as Cancel does.
    void ModalDialogShown(HWND dialog) override;

    // What was asked, for the tests.
    const std::vector<pal::SaveFileRequest>& SaveRequests() const { return m_saveRequests; }
    const std::vector<pal::MessageBoxRequest>& MessageBoxes() const { return m_messageBoxes; }
    const std::vector<pal::OpenRequest>& OpenRequests() const { return m_openRequests; }

    // "warning", "error", "information", "question", or "message" for a box without an icon.
    static const char* IconName(UINT type);

private:
    FILE* m_out;
    std::optional<std::string> m_saveAs;
    std::vector<pal::SaveFileRequest> m_saveRequests;
    std::vector<pal::MessageBoxRequest> m_messageBoxes;
    bool m_recordOpens = false;
    std::vector<pal::OpenRequest> m_openRequests;
};

} // namespace host
