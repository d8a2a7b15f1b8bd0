#include "geo/GeoLocationManager.h"

#include <algorithm>
#include <set>

#include "Utils/IPTimedRequest.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"
#include "geo/GeoLocationProviders.h"

namespace {
constexpr size_t MAX_DEFAULT_SELECTION = 4;
}

CGeoLocationManager& CGeoLocationManager::Instance()
{
    static CGeoLocationManager instance;
    return instance;
}

CGeoLocationManager::~CGeoLocationManager()
{
    CleanUpOnClose();
}

void CGeoLocationManager::InitOnStartup()
{
    CleanUpOnClose();
    try {
        m_geoLocationProviders.push_back(std::make_unique<CKeyCDN>());
        m_geoLocationProviders.push_back(std::make_unique<CIpApiCo>());
        m_geoLocationProviders.push_back(std::make_unique<CDbIpCom>());
        m_geoLocationProviders.push_back(std::make_unique<CIPGeolocation>());
        m_geoLocationProviders.push_back(std::make_unique<CIpInfoDB>());
        m_geoLocationProviders.push_back(std::make_unique<CIPStack>());
        m_geoLocationProviders.push_back(std::make_unique<CIpApiCom>());
        m_geoLocationProviders.push_back(std::make_unique<CIpInfoIo>());
        m_geoLocationProviders.push_back(std::make_unique<CWhoIsXMLApi>());
        m_geoLocationProviders.push_back(std::make_unique<CIp2Location>());
        m_geoLocationProviders.push_back(std::make_unique<CIpFireLocation>());

        for (const auto& provider : m_geoLocationProviders)
            m_selectedProviders.push_back(provider.get());
        if (m_selectedProviders.size() > MAX_DEFAULT_SELECTION) {
            // By default: the first four that can be asked without configuration.
            m_selectedProviders.clear();
            for (const auto& provider : m_geoLocationProviders) {
                if (m_selectedProviders.size() >= MAX_DEFAULT_SELECTION)
                    break;
                if (!provider->IsKeyUsed() || provider->HasKey())
                    m_selectedProviders.push_back(provider.get());
            }
        }

        CSettingsManager& settings = CSettingsManager::Instance();
        if (settings.providersOrder.size() == m_geoLocationProviders.size())
            SetOrder(settings.providersOrder);
        if (!settings.selectedProviders.empty())
            SetSelected(settings.selectedProviders);
        if (!settings.providerKeys.empty())
            SetKeys(settings.providerKeys);
    }
    VTR_CATCH_LOG
}

void CGeoLocationManager::CleanUpOnClose()
{
    m_selectedProviders.clear();
    try {
        while (!m_geoLocationProviders.empty())
            m_geoLocationProviders.pop_back(); // each provider aborts its outstanding requests
    }
    VTR_CATCH_LOG
}

CIPRequest* CGeoLocationManager::FindProvider(int id) const
{
    for (const auto& provider : m_geoLocationProviders)
        if (provider->GetProviderId() == id)
            return provider.get();
    return nullptr;
}

void CGeoLocationManager::SetOrder(const std::vector<int>& order)
{
    try {
        VTR_CHECK(order.size() == m_geoLocationProviders.size(), E_INVALIDARG);
        std::set<int> orderedList(order.begin(), order.end());
        VTR_CHECK(orderedList.size() == m_geoLocationProviders.size(), E_INVALIDARG);
        std::vector<CIPRequest*> placed;
        for (int id : order)
            if (CIPRequest* provider = FindProvider(id))
                placed.push_back(provider);
        for (const auto& provider : m_geoLocationProviders)
            if (std::find(placed.begin(), placed.end(), provider.get()) == placed.end())
                placed.push_back(provider.get());
        VTR_CHECK(placed.size() == m_geoLocationProviders.size(), E_UNEXPECTED);
        // Move the owners into the new order.
        std::vector<std::unique_ptr<CIPRequest>> newOrder;
        for (CIPRequest* provider : placed)
            for (auto& owner : m_geoLocationProviders)
                if (owner.get() == provider)
                    newOrder.push_back(std::move(owner));
        m_geoLocationProviders = std::move(newOrder);
    }
    VTR_CATCH_LOG
}

void CGeoLocationManager::SetSelected(const std::vector<int>& selected)
{
    try {
        VTR_CHECK(selected.size() <= m_geoLocationProviders.size(), E_INVALIDARG);
        VTR_CHECK(!selected.empty(), E_INVALIDARG);
        std::set<int> unique(selected.begin(), selected.end());
        VTR_CHECK(unique.size() <= m_geoLocationProviders.size(), E_INVALIDARG);
        VTR_CHECK(!unique.empty(), E_INVALIDARG);
        VTR_CHECK(!InProgress(), E_FAIL);
        std::vector<CIPRequest*> newSelection;
        for (int id : selected) {
            CIPRequest* pFoundProvider = FindProvider(id);
            VTR_CHECK(pFoundProvider, E_UNEXPECTED);
            newSelection.push_back(pFoundProvider);
        }
        m_selectedProviders = newSelection;
    }
    VTR_CATCH_LOG
}

void CGeoLocationManager::SetKeys(const std::map<int, CComBSTR>& keys)
{
    try {
        VTR_CHECK(keys.size() <= m_geoLocationProviders.size(), E_INVALIDARG);
        for (const auto& [id, key] : keys)
            for (const auto& provider : m_geoLocationProviders)
                if (provider->GetProviderId() == id)
                    provider->SetAccessKey(key.m_str ? key.m_str : W(""));
    }
    VTR_CATCH_LOG
}

bool CGeoLocationManager::InProgress()
{
    try {
        for (const auto& owner : m_geoLocationProviders) {
            CIPRequest* pIpRequest = owner.get();
            VTR_CHECK(pIpRequest, E_UNEXPECTED);
            if (pIpRequest->InProgress())
                return true;
        }
        return false;
    }
    VTR_CATCH_LOG
    return true;
}

CIPRequest* CGeoLocationManager::GetSelProvider(unsigned dist, const IPInfo& IP)
{
    try {
        VTR_CHECK(!m_selectedProviders.empty(), E_UNEXPECTED);
        VTR_CHECK_TEXT(dist < m_selectedProviders.size(), "(dist >= 0) && (dist < m_selectedProviders.size())",
                       E_INVALIDARG);
        unsigned count = 0;
        for (CIPRequest* provider : m_selectedProviders) {
            if (!provider->IsLocationInfoSupported(IP))
                continue;
            if (count == dist)
                return provider;
            ++count;
        }
        return nullptr;
    }
    VTR_CATCH_LOG
    return nullptr;
}

void CGeoLocationManager::ProcessPendingRequests()
{
    try {
        for (CIPRequest* provider : m_selectedProviders)
            if (auto* timed = dynamic_cast<CIPTimedRequest*>(provider))
                timed->ProcessPendingRequest();
    }
    VTR_CATCH_LOG
}

void CGeoLocationManager::ClearPendingRequests()
{
    try {
        for (CIPRequest* provider : m_selectedProviders)
            if (auto* timed = dynamic_cast<CIPTimedRequest*>(provider))
                timed->ClearPendingRequests();
    }
    VTR_CATCH_LOG
}
