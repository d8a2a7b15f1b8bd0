// The providers the add-in will ask, chosen through the settings record as the options dialog leaves
// them: the manager reads the order and the selection when it starts (at the add-in's connection).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Utils/SettingsManager.h"
#include "geo/GeoLocationManager.h"
#include "pal/host.h"

namespace testing_support {

// Every provider in the manager's order, and as the selection those that pick accepts, in that order.
// Returns how many were selected.
inline size_t SelectProvidersInSettings(const std::function<bool(CIPRequest&)>& pick)
{
    CGeoLocationManager& manager = CGeoLocationManager::Instance();
    manager.InitOnStartup();
    std::vector<int> order, selected;
    for (const auto& p : manager.GetProviders()) {
        order.push_back(p->GetProviderId());
        if (pick(*p))
            selected.push_back(p->GetProviderId());
    }
    manager.CleanUpOnClose();
    CSettingsManager& settings = CSettingsManager::Instance();
    settings.providersOrder = order;
    settings.selectedProviders = selected;
    return selected.size();
}

// The providers with these names ("ipapi.co", "location.ipfire.org"...).
inline size_t SelectProvidersInSettings(const std::vector<std::string>& names)
{
    return SelectProvidersInSettings([&names](CIPRequest& p) {
        for (const std::string& name : names)
            if (pal::ToUtf8(p.GetProviderName().c_str()) == name)
                return true;
        return false;
    });
}

} // namespace testing_support
