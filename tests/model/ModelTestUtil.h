// Helpers of the message model tests: real corpus messages as the add-in receives them (a _MailItem of
// the host's store, MAPI from the module "OLMAPI32.DLL"), header address lists as text, and the log.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorLog.h"
#include "email/EmailIPLocation.h"
#include "geo/GeoLocationManager.h"
#include "host/store/MailItem.h"
#include "host/store/MapiBuffers.h"
#include "host/store/Message.h"
#include "pal/host.h"
#include "support/TestUtil.h"

namespace model_test {

inline std::string Corpus(const std::string& relative) { return std::string(VANTORA_CORPUS_DIR) + "/" + relative; }

inline std::string Str(const WCHAR* s) { return s ? pal::ToUtf8(s) : std::string(); }
inline std::string Str(const CComBSTR& s) { return Str(s.m_str); }

using testing_support::LogText;

// "address/headerPart" per record, in list order.
inline std::vector<std::string> Addresses(const IPInfoList& list)
{
    std::vector<std::string> out;
    for (const IPInfo& info : list) {
        const IP_address* pAddress = info.Address();
        out.push_back((pAddress ? Str(pAddress->ToString(false)) : std::string("?")) + "/" +
                      std::to_string(info.headerPart));
    }
    return out;
}

// A message file of the corpus (or given bytes) as an Outlook item of the host's store.
class MailItems {
public:
    MailItems(const std::string& version = "16.0.0.0")
    {
        store::RegisterMapiModule();
        m_app.Attach(store::NewApplication(pal::ToWide(version)));
    }
    CComPtr<Outlook::_MailItem> FromMessage(std::shared_ptr<store::Message> message)
    {
        CComPtr<Outlook::_MailItem> mail;
        EXPECT_TRUE(message);
        if (!message)
            return mail;
        CComPtr<IDispatch> item;
        item.Attach(store::NewItem(message, m_app));
        EXPECT_EQ(item->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&mail)), S_OK);
        return mail;
    }
    CComPtr<Outlook::_MailItem> File(const std::string& relative)
    {
        std::string error;
        auto message = store::LoadMessageFile(Corpus(relative), error);
        EXPECT_TRUE(message) << error;
        return FromMessage(message);
    }
    CComPtr<Outlook::_MailItem> Bytes(const std::string& bytes)
    {
        std::string error;
        auto message = store::LoadMessageBytes(bytes, "test", error);
        EXPECT_TRUE(message) << error;
        return FromMessage(message);
    }

private:
    CComPtr<Outlook::_Application> m_app;
};

// Tests of the header addresses start with no provider selected unless they select some themselves.
class NoProviders : public ::testing::Test {
protected:
    void SetUp() override
    {
        CSettingsManager& s = CSettingsManager::Instance();
        s.providersOrder.clear();
        s.selectedProviders.clear();
        s.providerKeys.clear();
        CGeoLocationManager::Instance().CleanUpOnClose();
    }
    void TearDown() override { CGeoLocationManager::Instance().CleanUpOnClose(); }
};

} // namespace model_test
