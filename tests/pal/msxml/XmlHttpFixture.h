// The fixture of the MSXML request tests: an asynchronous GET with a recorder of its ready states, and
// readers of the answer.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <atlbase.h>
#include <msxml6.h>

#include "pal/host.h"
#include "support/HttpTestUtil.h"
#include "support/Wine.h"

class XmlHttpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (testing_support::RunningOnWine())
            GTEST_SKIP() << "Wine: its XMLHTTP reports ready states from inside send (never state 1), returns "
                            "MK_S_ASYNCHRONOUS from send, E_FAIL for a status not yet known and S_FALSE for an "
                            "absent header, and follows no 308; Windows' MSXML reports from the loop";
    }

    // Opens and sends an asynchronous GET; the recorder sees every ready state.
    CComPtr<IXMLHTTPRequest> Send(const std::string& url, REFCLSID clsid = CLSID_XMLHTTP60,
                                  const WCHAR* header = nullptr, const WCHAR* value = nullptr)
    {
        CComPtr<IXMLHTTPRequest> req;
        EXPECT_EQ(req.CoCreateInstance(clsid), S_OK);
        if (!req)
            return req;
        VARIANT async;
        VariantInit(&async);
        async.vt = VT_I2;
        async.iVal = -1;
        VARIANT empty;
        VariantInit(&empty);
        CComBSTR method(W("GET")), target(pal::ToWide(url).c_str());
        EXPECT_EQ(req->open(method, target, async, empty, empty), S_OK);
        if (header) {
            EXPECT_EQ(req->setRequestHeader(CComBSTR(header), CComBSTR(value)), S_OK);
        }
        recorder = new testing_support::ReadyStateRecorder(req);
        EXPECT_EQ(req->put_onreadystatechange(recorder), S_OK);
        recorder->Release(); // the request holds it now
        inSend = true;
        recorder->onCall = [this](LONG) { EXPECT_FALSE(inSend) << "ready state reported from inside send"; };
        EXPECT_EQ(req->send(empty), S_OK);
        inSend = false;
        return req;
    }

    bool Finish(IXMLHTTPRequest* req)
    {
        return testing_support::PumpUntil([req] {
            LONG s = 0;
            req->get_readyState(&s);
            return s == 4;
        });
    }

    static std::string Text(IXMLHTTPRequest* req)
    {
        CComBSTR text;
        EXPECT_EQ(req->get_responseText(&text), S_OK);
        return text ? pal::ToUtf8(text.m_str) : std::string();
    }

    static std::string Header(IXMLHTTPRequest* req, const WCHAR* name)
    {
        CComBSTR value;
        EXPECT_EQ(req->getResponseHeader(CComBSTR(name), &value), S_OK);
        return value ? pal::ToUtf8(value.m_str) : std::string();
    }

    static LONG Status(IXMLHTTPRequest* req)
    {
        LONG status = -1;
        return SUCCEEDED(req->get_status(&status)) ? status : -1;
    }

    // Runs the loop for a while, for what should not happen in it.
    static void Pump(unsigned ms) { testing_support::PumpFor(ms); }

    testing_support::ReadyStateRecorder* recorder = nullptr;
    bool inSend = false;
};
