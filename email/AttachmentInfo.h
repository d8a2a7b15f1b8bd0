// One listed attachment: a file of the message, an attached e-mail, or a file found inside one of them or
// inside an archive; with what its analysis found.
#pragma once

#include <windows.h>

#include <string>

#include "Utils/FileSignature.h"

struct AttachmentInfo {
    std::basic_string<WCHAR> displayName;   // the short name shown on the ribbon
    std::basic_string<WCHAR> longFileName;  // the file name, an e-mail's subject, or a path inside an archive
    std::basic_string<WCHAR> extension;     // upper case, without the dot
    std::basic_string<WCHAR> typeName;      // the short name of the recognised kind ("JPG", "???"...)
    AdditionalInfo additionalInfo;
    bool attachedEmail = false;             // an e-mail attached to the message, not a file
};
