// What the address kinds share: the text of a reserved range.
#include "Utils/IPAddress.h"

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"

CComBSTR IP_address::reservedDescription(UINT textId, const char* function, const char* file, int line)
{
    try {
        if (!VTR_VERIFY_TEXT_AT(textId != 0, "IsReserved()", E_UNEXPECTED, function, file, line))
            return CComBSTR(W(""));
        return CResourceManager::Instance().GetText(int(textId));
    } catch (...) {
        ::vantora_errors::HandleCurrentException(function, file, line);
    }
    return CComBSTR(W(""));
}
