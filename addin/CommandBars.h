// The holder of the add-in's one ribbon object for the life of the connection: created when Outlook
// connects the add-in, destroyed when it disconnects it.
#pragma once

#include <memory>

#include "addin/OutlookRibbon.h"

class COutlookCommandBars {
public:
    static COutlookCommandBars& Instance();

    // Creates the ribbon object (its controls and XML come with the first GetXML).
    static void InitOnStartup();
    // Destroys the ribbon object; GetRibbon is null afterwards.
    static void CleanUpOnClose() noexcept;

    // The ribbon, or null before start-up and after clean-up.
    COutlookRibbon* GetRibbon() const noexcept { return m_pRibbon.get(); }

    COutlookCommandBars(const COutlookCommandBars&) = delete;
    COutlookCommandBars& operator=(const COutlookCommandBars&) = delete;

private:
    COutlookCommandBars() = default;

    std::unique_ptr<COutlookRibbon> m_pRibbon;
};
