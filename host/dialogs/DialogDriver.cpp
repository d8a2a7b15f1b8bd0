// The scripted person in front of the dialogs; see DialogDriver.h.
#include "host/dialogs/DialogDriver.h"

#include <algorithm>
#include <cstdlib>

#include "host/dialogs/DialogJson.h"
#include "host/dialogs/DialogPng.h"
#include "host/dialogs/DialogText.h"
#include "host/text/Json.h"
#include "host/ui/ConsoleUserInterface.h"
#include "pal/loop.h"

namespace host {

namespace {

// The buttons and box types by number: the layer names only those the add-in uses.
enum : int { kOk = 1, kCancel, kAbort, kRetry, kIgnore, kYes, kNo, kTryAgain = 10, kContinue };
enum : UINT { kOkCancel = 1, kAbortRetryIgnore, kYesNoCancel, kYesNo, kRetryCancel, kCancelTryContinue, kTypeMask = 0xF };

const struct {
    int id;
    const char* name;
} kButtons[] = {{kOk, "IDOK"},       {kCancel, "IDCANCEL"}, {kAbort, "IDABORT"}, {kRetry, "IDRETRY"},
                {kIgnore, "IDIGNORE"}, {kYes, "IDYES"},       {kNo, "IDNO"},       {kTryAgain, "IDTRYAGAIN"},
                {kContinue, "IDCONTINUE"}};

} // namespace

DialogDriver::DialogDriver(pal::UserInterfaceHost* inner, DialogDriverOptions options)
    : m_inner(inner), m_options(std::move(options))
{
}

bool DialogDriver::SaveFileDialog(const pal::SaveFileRequest& request, std::u16string& path)
{
    return m_inner && m_inner->SaveFileDialog(request, path);
}

int DialogDriver::OpenDocument(const pal::OpenRequest& request)
{
    return m_inner ? m_inner->OpenDocument(request) : pal::UserInterfaceHost::OpenDocument(request);
}

int DialogDriver::ButtonByName(const std::string& name)
{
    std::string upper = name;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    for (const auto& b : kButtons)
        if (upper == b.name)
            return b.id;
    if (name.empty() || name.size() > 2 || name.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    int n = std::atoi(name.c_str());
    return ButtonName(n) ? n : 0;
}

const char* DialogDriver::ButtonName(int button)
{
    for (const auto& b : kButtons)
        if (b.id == button)
            return b.name;
    return nullptr;
}

std::vector<int> DialogDriver::Buttons(UINT type)
{
    switch (type & kTypeMask) {
    case kOkCancel: return {kOk, kCancel};
    case kAbortRetryIgnore: return {kAbort, kRetry, kIgnore};
    case kYesNoCancel: return {kYes, kNo, kCancel};
    case kYesNo: return {kYes, kNo};
    case kRetryCancel: return {kRetry, kCancel};
    case kCancelTryContinue: return {kCancel, kTryAgain, kContinue};
    default: return {kOk};
    }
}

int DialogDriver::ShowMessageBox(const pal::MessageBoxRequest& request)
{
    int number = ++m_boxes;
    std::vector<int> buttons = Buttons(request.type);
    int answer = buttons.front();
    if (size_t(number) <= m_options.answers.size()) {
        int wanted = m_options.answers[size_t(number) - 1];
        if (std::find(buttons.begin(), buttons.end(), wanted) != buttons.end()) {
            answer = wanted;
        } else {
            std::fprintf(m_options.errors, "message box %d: cannot answer %s (no such button); answered %s\n", number,
                         ButtonName(wanted), ButtonName(answer));
            m_succeeded = false;
        }
    }
    if (!m_options.json && m_inner)
        m_inner->ShowMessageBox(request); // printed as the console prints it; the answer is ours
    m_boxJson.push_back("{\"text\": " + JsonString(pal::ToUtf8(request.text)) + ", \"caption\": " +
                        JsonString(pal::ToUtf8(request.caption)) + ", \"icon\": " +
                        JsonString(ConsoleUserInterface::IconName(request.type)) + ", \"answer\": " +
                        JsonString(ButtonName(answer)) + "}");
    return answer;
}

DialogDriver::Record* DialogDriver::Find(int number)
{
    for (Record& r : m_records)
        if (r.number == number)
            return &r;
    return nullptr;
}

void DialogDriver::Render(int number, HWND dialog, const char* when)
{
    pal::DialogView view = pal::ViewDialog(dialog);
    if (!m_options.json) {
        std::fprintf(m_options.out, "[dialog %d, %s]\n%s", number, when, DialogText(view).c_str());
        std::fflush(m_options.out);
        return;
    }
    if (Record* r = Find(number)) {
        const std::string pad = "        ";
        r->renderings += std::string(r->renderings.empty() ? "" : ",") + "\n" + pad + "{\"when\": " +
                         JsonString(when) + ", \"view\": " + DialogJson(view, pad) + "}";
    }
}

void DialogDriver::ModalDialogShown(HWND dialog)
{
    int number = ++m_dialogs;
    static const std::vector<DialogAction> kNone;
    const std::vector<DialogAction>& script =
        size_t(number) <= m_options.scripts.size() ? m_options.scripts[size_t(number) - 1] : kNone;
    Record record;
    record.number = number;
    record.templateId = pal::ViewDialog(dialog).templateId;
    for (const DialogAction& a : script)
        record.script += (record.script.empty() ? "" : "; ") + a.written;
    m_records.push_back(record); // nested dialogs add theirs while this one runs: found again by number

    ULONGLONG deadline = GetTickCount64() + m_options.waitMs;
    auto settle = [&] {
        if (m_options.settle)
            m_options.settle(deadline);
        else
            pal::PumpFor(0);
    };
    auto open = [&] { return IsWindow(dialog) && IsWindowVisible(dialog); };
    settle();
    if (!open())
        return; // it ended itself
    Render(number, dialog, "shown");
    bool png = !m_options.pngPrefix.empty();
    DialogShot last;
    for (size_t i = 0; i < script.size(); ++i) {
        const DialogAction& a = script[i];
        if (a.verb == DialogAction::Verb::Show) {
            Render(number, dialog, "show");
            continue;
        }
        bool taken;
        if (a.verb == DialogAction::Verb::Menu) {
            // The menu opened during the action before, which took this choice from it.
            taken = m_menuChoice == UINT(a.id) && m_menuChosen;
            m_menuChoice = 0;
            m_menuChosen = false;
        } else {
            if (png)
                last = CaptureDialog(dialog, m_options.resources); // what the PNG shows if this action closes it
            // A popup menu opens while the action runs: the choice written after it is made there.
            m_menuChoice = i + 1 < script.size() && script[i + 1].verb == DialogAction::Verb::Menu ? UINT(script[i + 1].id) : 0;
            m_menuChosen = false;
            taken = TakeDialogAction(dialog, a);
        }
        if (!taken) {
            std::fprintf(m_options.errors, "dialog %d: cannot %s\n", number, a.written.c_str());
            if (Record* r = Find(number))
                r->refused = a.written;
            m_succeeded = false;
            break;
        }
        if (!open())
            break;
        settle();
        if (!open())
            break;
    }
    bool stillOpen = open();
    if (stillOpen && png)
        last = CaptureDialog(dialog, m_options.resources);
    if (stillOpen && !script.empty())
        Render(number, dialog, "after its actions");
    if (png && last.view.hwnd) {
        std::string path = m_options.pngPrefix + "-" + std::to_string(number) + ".png", error;
        if (!RenderDialogPng(last, path, error)) {
            std::fprintf(m_options.errors, "dialog %d: %s\n", number, error.c_str());
            m_succeeded = false;
        }
    }
    if (!stillOpen)
        return;
    pal::PressButton(dialog, IDCANCEL);
    if (open()) {
        // Nobody else would end it: the modal loop would run for ever.
        std::fprintf(m_options.errors, "dialog %d: Cancel did not close it; ended as Cancel\n", number);
        EndDialog(dialog, IDCANCEL);
    }
}

UINT DialogDriver::PopupMenuShown(const pal::PopupMenuRequest& request)
{
    std::string items;
    UINT chosen = 0;
    for (const pal::PopupMenuItem& item : request.items) {
        if (item.separator) {
            items += " |";
            continue;
        }
        items += std::string(" ") + (item.enabled ? "" : "(") + pal::ToUtf8(item.text) + " [" + std::to_string(item.id) +
                 "]" + (item.enabled ? "" : ")");
        if (m_menuChoice && item.id == m_menuChoice && item.enabled)
            chosen = item.id;
    }
    if (!m_options.json)
        std::fprintf(m_options.out, "[menu]%s: %s\n", items.c_str(),
                     chosen ? ("chose " + std::to_string(chosen)).c_str() : "dismissed");
    m_menuChosen = chosen != 0;
    m_menuChoice = chosen ? m_menuChoice : 0;
    return chosen;
}

std::string DialogDriver::TakeJson(const std::string& pad)
{
    std::string out = pad + "\"dialogs\": [";
    for (size_t i = 0; i < m_records.size(); ++i) {
        const Record& r = m_records[i];
        out += std::string(i ? "," : "") + "\n" + pad + "  {\"dialog\": " + std::to_string(r.number) +
               ", \"templateId\": " + std::to_string(r.templateId) + ", \"script\": " + JsonString(r.script) +
               ", \"refused\": " + (r.refused.empty() ? "null" : JsonString(r.refused)) + ", \"renderings\": [" +
               r.renderings + (r.renderings.empty() ? "" : "\n" + pad + "  ") + "]}";
    }
    out += std::string(m_records.empty() ? "" : "\n" + pad) + "],\n" + pad + "\"messageBoxes\": [";
    for (size_t i = 0; i < m_boxJson.size(); ++i)
        out += std::string(i ? "," : "") + "\n" + pad + "  " + m_boxJson[i];
    out += std::string(m_boxJson.empty() ? "" : "\n" + pad) + "]";
    m_records.clear();
    m_boxJson.clear();
    return out;
}

} // namespace host
