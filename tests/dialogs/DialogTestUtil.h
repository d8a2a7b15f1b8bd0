// A dialog procedure that records what reaches it, over the module's own templates, and helpers to find
// a control's view by id.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <atlbase.h>
#include "pal/dialogs.h"
#include "pal/host.h"
#include "pal/loop.h"
#include "res/resource.h"
#include "support/DialogViews.h"
#include <richedit.h>

namespace dialogs_test {

struct Received {
    UINT msg;
    WPARAM wParam;
    UINT code;        // WM_NOTIFY: the header's code
    UINT_PTR idFrom;  // WM_NOTIFY: the sender's id
};

// The test's dialog procedure: records every message, and lets a test answer chosen ones.
struct Recorder {
    std::vector<Received> messages;
    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> answer;

    static Recorder*& Current()
    {
        static Recorder* r = nullptr;
        return r;
    }
    static INT_PTR CALLBACK Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        Recorder* r = Current();
        if (!r)
            return FALSE;
        Received rec{msg, wParam, 0, 0};
        if (msg == WM_NOTIFY && lParam) {
            rec.code = reinterpret_cast<LPNMHDR>(lParam)->code;
            rec.idFrom = reinterpret_cast<LPNMHDR>(lParam)->idFrom;
        }
        r->messages.push_back(rec);
        return r->answer ? r->answer(h, msg, wParam, lParam) : FALSE;
    }
    std::vector<UINT> NotifyCodes(UINT_PTR id) const
    {
        std::vector<UINT> codes;
        for (const Received& m : messages)
            if (m.msg == WM_NOTIFY && m.idFrom == id)
                codes.push_back(m.code);
        return codes;
    }
    std::vector<WORD> Commands(WORD id) const
    {
        std::vector<WORD> codes;
        for (const Received& m : messages)
            if (m.msg == WM_COMMAND && LOWORD(m.wParam) == id)
                codes.push_back(HIWORD(m.wParam));
        return codes;
    }
};

// A modeless dialog of the module's resources with the recorder as its procedure; destroyed at the end.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_LINK_CLASS};
        ASSERT_TRUE(InitCommonControlsEx(&controls));
        Recorder::Current() = &m_recorder;
    }
    void TearDown() override
    {
        if (m_dialog && IsWindow(m_dialog))
            DestroyWindow(m_dialog);
        Recorder::Current() = nullptr;
    }
    HWND Open(int templateId)
    {
        m_dialog = CreateDialogParamW(_AtlBaseModule.GetResourceInstance(), MAKEINTRESOURCEW(templateId), nullptr,
                                      &Recorder::Proc, 0);
        if (m_dialog) // a template without WS_VISIBLE: shown by its creator
            ShowWindow(m_dialog, SW_SHOW);
        return m_dialog;
    }
    HWND Item(int id) { return GetDlgItem(m_dialog, id); }

    Recorder m_recorder;
    HWND m_dialog = nullptr;
};

using testing_support::FindView;

} // namespace dialogs_test
