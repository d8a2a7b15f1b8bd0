// One run of the add-in as Outlook drives it: connection, the Explorer's customUI document and its onLoad,
// then for each message its selection in the Explorer (SelectionChange) or its opening in a Read window
// (NewInspector, the Read ribbon loaded once for all Read windows, Activate), and the message loop until the
// add-in's polling timer stops, with every invalidated control of every window asked again; Read windows
// close as a person closes them (Close, then the Explorer is activated); finally the disconnection.
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
    // Selects the message in the Explorer (activating the Explorer first when a Read window is in front).
    bool Show(const std::string& path, const ShowOptions& options, ShownMessage& shown, std::string& error);
    // Opens the message in a Read window of its own, in front, as a double click does.
    bool Open(const std::string& path, const ShowOptions& options, ShownMessage& shown, std::string& error);
    // Closes the Read window opened last; false when none is open.
    bool CloseReadWindow(const ShowOptions& options, std::string& error);
    size_t ReadWindowCount() const { return m_readWindows.size(); }
    // Empties the selection, calls OnDisconnection and lets go of the add-in's interfaces.
    HRESULT Disconnect();

    // The Explorer's ribbon, and the ribbon of the index-th open Read window (from 0, in opening order).
    RibbonHost* Host() const { return m_host.get(); }
    RibbonHost* ReadHost(size_t index) const { return index < m_readWindows.size() ? m_readWindows[index].host.get() : nullptr; }

    // The loop while a dialog of the add-in is modal: what is due runs, the add-in's timers tick and the
    // ribbon follows its invalidations, until the timers stop or the deadline (loop clock) passes.
    void SettleModal(ULONGLONG deadline);

private:
    struct ReadWindow {
        std::string file;
        CComPtr<Outlook::_Inspector> inspector;
        std::unique_ptr<RibbonHost> host;
    };

    // The message file as an item of the store; null with a reason when it cannot be read.
    CComPtr<IDispatch> LoadItem(const std::string& path, std::string& error);
    // The presses, the pages and the outputs of one step, on the window it concerns.
    void Finish(RibbonHost& host, const std::string& path, const ShowOptions& options, ShownMessage& shown);
    // Pumps until the add-in's timer stops or the wait runs out, asking every invalidated control of every
    // window again.
    void Settle(const std::string& path, const ShowOptions& options, ShownMessage& shown);
    void RefreshAll();
    bool AnyDirty() const;
    // Clicks the group's scroll-down button while it is enabled, keeping the group as each page shows it.
    void PageThrough(RibbonHost& host, const std::string& path, const ShowOptions& options, long groupNumber,
                     long downNumber, ShownMessage& shown);
    // The Explorer in front again, after a Read window.
    void ActivateExplorer();

    CComPtr<IUnknown> m_addin;
    CComPtr<Outlook::_Application> m_application;
    CComPtr<AddInDesignerObjects::_IDTExtensibility2> m_extensibility;
    std::unique_ptr<RibbonHost> m_host;
    std::string m_explorerFile; // the message selected in the Explorer
    // Office loads the Read ribbon once, for the first Read window: one customUI document and one IRibbonUI
    // for all of them, each window asking its own controls.
    std::string m_readCustomUI;
    CComPtr<Office::IRibbonUI> m_readUI;
    std::vector<ReadWindow> m_readWindows;
    bool m_readInFront = false;
    bool m_connected = false;
};

} // namespace ribbon
