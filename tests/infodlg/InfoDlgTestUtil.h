// The person in front of the add-in's detail dialogs: a host that looks at each modal dialog through the
// layer's view and acts on it, and helpers that read a rich edit's text and runs.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <atlbase.h>
#include <commctrl.h>

#include <shlwapi.h>

#include "Utils/FileSignature.h"
#include "Utils/OutlookAddinRegistry.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ErrorLog.h"
#include "dialogs/InfoDlgHelper.h"
#include "pal/dialogs.h"
#include "pal/host.h"
#include "res/resource.h"
#include "support/TestPrefix.h"
#include "support/DialogViews.h"
#include "support/TestUtil.h"

namespace infodlg_test {

inline std::string U8(const std::u16string& s) { return pal::ToUtf8(s); }

using testing_support::FindView;
using testing_support::LogText;

// The rich edit's text as the control counts it (a paragraph break is one "\n").
inline std::u16string ControlText(const pal::ControlView& v)
{
    std::u16string out;
    for (size_t i = 0; i < v.text.size(); ++i) {
        if (v.text[i] == u'\r' && i + 1 < v.text.size() && v.text[i + 1] == u'\n')
            continue;
        out += v.text[i];
    }
    return out;
}

// The texts of the runs that match.
inline std::vector<std::string> RunTexts(const pal::ControlView& v, const std::function<bool(const pal::CharRun&)>& match)
{
    std::u16string text = ControlText(v);
    std::vector<std::string> out;
    for (const pal::CharRun& r : v.runs)
        if (match(r) && r.start < r.end && size_t(r.end) <= text.size())
            out.push_back(U8(text.substr(size_t(r.start), size_t(r.end - r.start))));
    return out;
}

inline bool Bold(const pal::CharRun& r) { return r.bold; }
inline std::function<bool(const pal::CharRun&)> Colour(COLORREF c)
{
    return [c](const pal::CharRun& r) { return !r.autoColor && r.color == c; };
}

// What the person saw of one modal dialog, and what was opened from it.
struct Seen {
    pal::DialogView view;
    std::vector<pal::DialogView> later; // views taken by the test's own actions
};

class DialogHost : public pal::UserInterfaceHost {
public:
    DialogHost() : m_previous(pal::SetUserInterfaceHost(this)) {}
    ~DialogHost() override { pal::SetUserInterfaceHost(m_previous); }

    bool SaveFileDialog(const pal::SaveFileRequest&, std::u16string&) override { return false; }
    int ShowMessageBox(const pal::MessageBoxRequest&) override { return IDOK; }
    int OpenDocument(const pal::OpenRequest& request) override
    {
        opened.push_back(request);
        if (onOpen)
            onOpen(request);
        return 42;
    }
    // Looks at the dialog, lets the test act, then closes it with Close unless the test ended it.
    void ModalDialogShown(HWND dialog) override
    {
        seen.push_back(pal::ViewDialog(dialog));
        if (act)
            act(dialog);
        if (IsWindow(dialog) && IsWindowVisible(dialog))
            pal::PressButton(dialog, IDOK);
    }

    std::vector<pal::DialogView> seen;
    std::vector<pal::OpenRequest> opened;
    std::function<void(HWND)> act;
    std::function<void(const pal::OpenRequest&)> onOpen;

private:
    pal::UserInterfaceHost* m_previous;
};

// A corpus file as an attachment of that name: its kind, findings and first bytes.
inline AttachmentInfo AnalyseCorpusFile(const std::string& corpusFile, const std::u16string& name)
{
    std::string bytes = testing_support::ReadFile(testing_support::CorpusPath("files/" + corpusFile));
    EXPECT_FALSE(bytes.empty()) << corpusFile;
    AttachmentInfo info;
    info.longFileName = info.displayName = WString(name.begin(), name.end());
    info.extension = CFileSignature::GetFileExtension(info.longFileName.c_str());
    CComPtr<IStream> stream;
    stream.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), UINT(bytes.size())));
    std::vector<AttachmentInfo> contained;
    FileKind implied = CFileSignature::GetExtensionType(info.extension.c_str());
    FileKind kind = CFileSignature::GetExtensionInfo(stream, implied, info.additionalInfo, contained);
    info.typeName = CFileSignature::GetKindName(kind);
    info.additionalInfo.typeMismatch = CFileSignature::IsTypeMismatch(info, kind, implied);
    return info;
}

// The saved window rectangle of a dialog, straight from the add-in's key.
inline bool SavedRect(UINT captionId, ULONGLONG& value)
{
    COutlookAddinRegistry registry;
    return registry.ReadQWORD(CInfoDlgHelper::Decimal(captionId).c_str(), value);
}

inline RECT WindowRect(HWND h)
{
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

inline bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace infodlg_test
