// One run of the add-in as Outlook's Explorer drives it: connection, the customUI document and its onLoad,
// then for each message its selection, the SelectionChange event and the message loop until the add-in's
// polling timer stops, with every invalidated control asked again; finally the disconnection.
#pragma once

#include <msaddndr.h>
#include <outlook.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/ribbon/RibbonHost.h"

namespace ribbon {

struct ShowOptions {
    unsigned waitMs = 30000;   // the deadline per message, on the loop clock
    FILE* progress = nullptr;  // where to show the wait (a terminal), or nowhere
    // Controls clicked in turn once the message is shown, each followed by the same wait.
    std::vector<std::string> presses;
    FILE* errors = stderr;     // where a refused click is reported
    // Page through the rows of each group that scrolls (header servers, attachments, link servers).
    bool all = false;
};

class ShowSession {
public:
    ShowSession(IUnknown* addin, Outlook::_Application* application);
    ~ShowSession();
    ShowSession(const ShowSession&) = delete;
    ShowSession& operator=(const ShowSession&) = delete;

    // OnConnection, GetCustomUI("Microsoft.Outlook.Explorer"), the onLoad callback and the first asking.
    // Problems that leave the add-in running (onLoad failing) are in warnings.
    bool Connect(std::string& error, std::string& warnings);
    bool Show(const std::string& path, const ShowOptions& options, ShownMessage& shown, std::string& error);
    // Empties the selection, calls OnDisconnection and lets go of the add-in's interfaces.
    HRESULT Disconnect();

    RibbonHost* Host() const { return m_host.get(); }

    // The loop while a dialog of the add-in is modal: what is due runs, the add-in's timers tick and the
    // ribbon follows its invalidations, until the timers stop or the deadline (loop clock) passes.
    void SettleModal(ULONGLONG deadline);

private:
    // Pumps until the add-in's timer stops or the wait runs out, asking every invalidated control again.
    void Settle(const std::string& path, const ShowOptions& options, ShownMessage& shown);
    // Clicks the group's scroll-down button while it is enabled, keeping the group as each page shows it.
    void PageThrough(const std::string& path, const ShowOptions& options, long groupNumber, long downNumber,
                     ShownMessage& shown);

    CComPtr<IUnknown> m_addin;
    CComPtr<Outlook::_Application> m_application;
    CComPtr<AddInDesignerObjects::_IDTExtensibility2> m_extensibility;
    std::unique_ptr<RibbonHost> m_host;
    bool m_connected = false;
};

} // namespace ribbon
