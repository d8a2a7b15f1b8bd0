// Each provider against a loopback twin of its service: the twin answers by request target, and the
// provider is pointed at it through its endpoint variable.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "Utils/IPTimedRequest.h"
#include "geo/GeoEndpoints.h"
#include "pal/loop.h"
#include "support/GeoTestUtil.h"
#include "support/HttpTestUtil.h"
#include "support/LoopbackServer.h"

namespace testing_support {

class ServiceTwin {
public:
    // answers: request target -> reply; any other target is a 404.
    ServiceTwin(GeoService service, std::map<std::string, HttpReply> answers)
        : m_answers(std::move(answers)), m_server([this](const HttpCall& c) {
              auto it = m_answers.find(c.target);
              if (it != m_answers.end())
                  return it->second;
              HttpReply r;
              r.status = 404;
              return r;
          })
    {
        m_variable = "VANTORA_ENDPOINT_" + pal::ToUtf8(CGeoEndpoints::VariableSuffix(service));
        setenv(m_variable.c_str(), m_server.Base().c_str(), 1);
    }
    ~ServiceTwin() { unsetenv(m_variable.c_str()); }

    LoopbackServer& Server() { return m_server; }

    static HttpReply Json(const std::string& body, int status = 200)
    {
        HttpReply r;
        r.status = status;
        r.body = body;
        return r;
    }

private:
    std::map<std::string, HttpReply> m_answers;
    LoopbackServer m_server;
    std::string m_variable;
};

// Asks the provider for the address and pumps until the record is final; a queued record of a
// rate-limited provider is released by moving the test clock past its interval.
inline IPLocationInfo* Locate(CIPRequest& provider, const std::string& address)
{
    IPLocationInfo* info = provider.GetLocationInfo(MakeAddress(address));
    if (!info)
        return nullptr;
    PumpUntil([&] {
        if (info->status == RS_PENDING) {
            pal::AdvanceClock(600);
            if (auto* timed = dynamic_cast<CIPTimedRequest*>(&provider))
                timed->ProcessPendingRequest();
        }
        return info->status != RS_PENDING && (info->status < RS_REQUESTING || info->status > RS_INTERACTIVE);
    });
    return info;
}

} // namespace testing_support
