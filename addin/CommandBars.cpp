// The process-wide ribbon holder.
#include "addin/CommandBars.h"

COutlookCommandBars& COutlookCommandBars::Instance()
{
    static COutlookCommandBars instance;
    return instance;
}

void COutlookCommandBars::InitOnStartup()
{
    Instance().m_pRibbon = std::make_unique<COutlookRibbon>();
}

void COutlookCommandBars::CleanUpOnClose() noexcept
{
    Instance().m_pRibbon.reset();
}
