// The location record of one address at one provider: a request record with the location fields.
#pragma once

#include "Utils/RequestInfo.h"

struct IPLocationInfo : RequestInfo {
    // A provider's answer is a few kilobytes; a longer one is refused as failed, unread (link targets
    // may be far longer: their bound is the transfer's).
    static constexpr size_t MAX_ANSWER_LENGTH = 64 * 1024;

    IPLocationInfo() { Reset(); }

    CLSID GetClassId() const override { return CLSID_XMLHTTP60; }
    void Reset() override;
    size_t MaxAnswerLength() const override { return MAX_ANSWER_LENGTH; }

    // One word for the request's state, or the country once done (a ribbon button's label).
    CComBSTR ToString() const;
    // The state's word with the reason it failed, or once done the location as labelled lines.
    CComBSTR ToLongString() const;

    WCHAR countryCode[4] = {};
    CComBSTR countryName;
    CComBSTR region;
    CComBSTR city;
    CComBSTR postalCode; // upper-cased when an answer is accepted
    CComBSTR hostName;
    CComBSTR organization;
    double latitude = 0;  // degrees; 0 means no value
    double longitude = 0; // degrees; 0 means no value
    // The provider that keeps the record (not cleared by Reset: the record stays its provider's).
    CComBSTR providerName;
};
