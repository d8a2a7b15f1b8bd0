// The person in front of vantora show's dialogs: each modal dialog the add-in opens is rendered when it
// is shown, takes its script's actions (the n-th dialog of the run the n-th script, nested ones included,
// in the order they open), is rendered again and, if still open, closed as Cancel. Message boxes are
// answered with the given buttons in turn. Save dialogs and opened documents go to the host it wraps.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/dialogs/DialogScript.h"
#include "pal/host.h"

namespace host {

struct DialogDriverOptions {
    std::vector<std::vector<DialogAction>> scripts; // for the dialogs in the order they open
    std::vector<int> answers;                       // for the message boxes in the order they open
    bool json = false;         // renderings kept for Take(); otherwise printed as text
    std::string pngPrefix;     // when set: PREFIX-N.png for the n-th dialog
    HMODULE resources = nullptr; // the add-in's module: the pictures its dialogs name
    FILE* out = stdout;        // the text renderings
    FILE* errors = stderr;     // refused actions, unwritable files
    // Lets the program run until the deadline (on the loop clock) while a dialog is open, so that the
    // add-in's timers and requests go on; by default what is due now runs once.
    std::function<void(ULONGLONG deadline)> settle;
    unsigned waitMs = 30000;   // how long one dialog may wait in all
};

class DialogDriver : public pal::UserInterfaceHost {
public:
    // inner answers the save dialogs, prints the message boxes in text mode, opens documents (not owned).
    DialogDriver(pal::UserInterfaceHost* inner, DialogDriverOptions options);

    bool SaveFileDialog(const pal::SaveFileRequest& request, std::u16string& path) override;
    int ShowMessageBox(const pal::MessageBoxRequest& request) override;
    int OpenDocument(const pal::OpenRequest& request) override;
    void ModalDialogShown(HWND dialog) override;
    // Printed with its items ("(text [id])" when disabled); chooses the command of a "menu=" action that
    // follows the action that opened it, when that item is there and enabled.
    UINT PopupMenuShown(const pal::PopupMenuRequest& request) override;

    // False once an action was refused or a file could not be written.
    bool Succeeded() const { return m_succeeded; }
    int DialogCount() const { return m_dialogs; }
    // The JSON members "dialogs" and "messageBoxes" for what was shown since the last call, at the
    // given indentation, without a trailing comma or newline.
    std::string TakeJson(const std::string& pad);

    // A message box's button by name (IDOK, IDCANCEL...) or number; 0 when neither.
    static int ButtonByName(const std::string& name);
    static const char* ButtonName(int button);
    // The buttons of a message box of that type, the first one first (the answer without --answer).
    static std::vector<int> Buttons(UINT type);

private:
    void Render(int number, HWND dialog, const char* when);

    pal::UserInterfaceHost* m_inner;
    DialogDriverOptions m_options;
    int m_dialogs = 0, m_boxes = 0;
    UINT m_menuChoice = 0;     // the command the open menu is to give, 0 for none
    bool m_menuChosen = false; // the menu gave it
    bool m_succeeded = true;
    // JSON of each dialog shown since the last Take, by its number less the first's.
    struct Record {
        int number = 0;
        int templateId = 0;
        std::string script, refused, renderings;
    };
    std::vector<Record> m_records;
    Record* Find(int number);
    std::vector<std::string> m_boxJson;
};

} // namespace host
