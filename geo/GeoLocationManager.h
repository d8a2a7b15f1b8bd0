// The providers for the life of the add-in: their order, the user's selection of providers to ask,
// their access keys, whether any location request is outstanding, and the rate-limited queues.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "Utils/IPRequest.h"

class CGeoLocationManager {
public:
    static CGeoLocationManager& Instance();
    ~CGeoLocationManager();
    CGeoLocationManager(const CGeoLocationManager&) = delete;
    CGeoLocationManager& operator=(const CGeoLocationManager&) = delete;

    // Builds the providers (replacing any built before) and applies the saved order, selection and keys.
    void InitOnStartup();
    void CleanUpOnClose();

    void SetOrder(const std::vector<int>& order);
    void SetSelected(const std::vector<int>& selected);
    void SetKeys(const std::map<int, CComBSTR>& keys);

    bool InProgress();
    // The dist-th selected provider that accepts the record, counting from 0; null when there is none.
    CIPRequest* GetSelProvider(unsigned dist, const IPInfo& IP);

    // Polling timer: sends what the rate-limited providers may send now.
    void ProcessPendingRequests();
    // A new message: drops what is still queued.
    void ClearPendingRequests();

    const std::vector<std::unique_ptr<CIPRequest>>& GetProviders() const { return m_geoLocationProviders; }
    const std::vector<CIPRequest*>& GetSelectedProviders() const { return m_selectedProviders; }

private:
    CGeoLocationManager() = default;
    CIPRequest* FindProvider(int id) const;

    std::vector<std::unique_ptr<CIPRequest>> m_geoLocationProviders; // in the current order
    std::vector<CIPRequest*> m_selectedProviders;    // not owned, in the user's order
};
