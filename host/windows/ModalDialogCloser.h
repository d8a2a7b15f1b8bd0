// The person in front of the Windows host: the add-in's modal dialogs and message boxes are real windows of
// the system here, each cancelled once it has been up for the given time, as a person who closes it.
#pragma once

#include <windows.h>

#include <map>

class ModalDialogCloser {
public:
    explicit ModalDialogCloser(unsigned afterMs);
    ~ModalDialogCloser();
    ModalDialogCloser(const ModalDialogCloser&) = delete;
    ModalDialogCloser& operator=(const ModalDialogCloser&) = delete;

private:
    // A thread timer: modal loops dispatch it too.
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Look();

    unsigned m_afterMs;
    UINT_PTR m_timer = 0;
    std::map<HWND, ULONGLONG> m_seen; // dialog -> when first seen
};
