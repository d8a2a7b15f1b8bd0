// FormatMessageW over the system message table: the texts Windows gives for the Win32 errors and
// HRESULTs that Vantora can meet, each ending in CR LF as the system's do.
#include <cstdlib>
#include <cstring>

#include "kernel32/memory.h"
#include "windows.h"

namespace {

struct Message {
    DWORD id;
    const char16_t* text;
};

// Win32 error codes; an HRESULT of FACILITY_WIN32 uses the text of its code.
const Message kWin32[] = {
    {0, u"The operation completed successfully.\r\n"},
    {1, u"Incorrect function.\r\n"},
    {2, u"The system cannot find the file specified.\r\n"},
    {3, u"The system cannot find the path specified.\r\n"},
    {4, u"The system cannot open the file.\r\n"},
    {5, u"Access is denied.\r\n"},
    {6, u"The handle is invalid.\r\n"},
    {8, u"Not enough memory resources are available to process this command.\r\n"},
    {11, u"An attempt was made to load a program with an incorrect format.\r\n"},
    {13, u"The data is invalid.\r\n"},
    {14, u"Not enough memory resources are available to complete this operation.\r\n"},
    {17, u"The system cannot move the file to a different disk drive.\r\n"},
    {21, u"The device is not ready.\r\n"},
    {29, u"The system cannot write to the specified device.\r\n"},
    {30, u"The system cannot read from the specified device.\r\n"},
    {32, u"The process cannot access the file because it is being used by another process.\r\n"},
    {33, u"The process cannot access the file because another process has locked a portion of the file.\r\n"},
    {38, u"Reached the end of the file.\r\n"},
    {50, u"The request is not supported.\r\n"},
    {80, u"The file exists.\r\n"},
    {87, u"The parameter is incorrect.\r\n"},
    {112, u"There is not enough space on the disk.\r\n"},
    {120, u"This function is not supported on this system.\r\n"},
    {122, u"The data area passed to a system call is too small.\r\n"},
    {123, u"The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {126, u"The specified module could not be found.\r\n"},
    {127, u"The specified procedure could not be found.\r\n"},
    {145, u"The directory is not empty.\r\n"},
    {161, u"The specified path is invalid.\r\n"},
    {183, u"Cannot create a file when that file already exists.\r\n"},
    {203, u"The system could not find the environment option that was entered.\r\n"},
    {223, u"The file size exceeds the limit allowed and cannot be saved.\r\n"},
    {234, u"More data is available.\r\n"},
    {259, u"No more data is available.\r\n"},
    {487, u"Attempt to access invalid address.\r\n"},
    {1009, u"The configuration registry database is corrupt.\r\n"},
    {1010, u"The configuration registry key is invalid.\r\n"},
    {1011, u"The configuration registry key could not be opened.\r\n"},
    {1012, u"The configuration registry key could not be read.\r\n"},
    {1013, u"The configuration registry key could not be written.\r\n"},
    {1015, u"The registry is corrupted. The structure of one of the files containing registry data is corrupted, "
           u"or the system's memory image of the file is corrupted, or the file could not be recovered because the "
           u"alternate copy or log was absent or corrupted.\r\n"},
    {1018, u"Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1460, u"This operation returned because the timeout period expired.\r\n"},
    {1804, u"The specified datatype is invalid.\r\n"},
    {1812, u"The specified image file did not contain a resource section.\r\n"},
    {1813, u"The specified resource type cannot be found in the image file.\r\n"},
    {1814, u"The specified resource name cannot be found in the image file.\r\n"},
    {1815, u"The specified resource language ID cannot be found in the image file.\r\n"},
    {12002, u"The operation timed out\r\n"},
};

// HRESULTs of other facilities.
const Message kHresult[] = {
    {0x80004001, u"Not implemented\r\n"},
    {0x80004002, u"No such interface supported\r\n"},
    {0x80004003, u"Invalid pointer\r\n"},
    {0x80004004, u"Operation aborted\r\n"},
    {0x80004005, u"Unspecified error\r\n"},
    {0x8000FFFF, u"Catastrophic failure\r\n"},
    {0x8000000A, u"The data necessary to complete this operation is not yet available.\r\n"},
    {0x8000000B, u"The operation attempted to access data outside the valid range\r\n"},
    {0x80040110, u"Class does not support aggregation (or class object is remote)\r\n"},
    {0x80040111, u"ClassFactory cannot supply requested class\r\n"},
    {0x80040150, u"Could not read key from registry\r\n"},
    {0x80040151, u"Could not write key to registry\r\n"},
    {0x80040154, u"Class not registered\r\n"},
    {0x800401F0, u"CoInitialize has not been called.\r\n"},
    {0x800401F3, u"Invalid class string\r\n"},
    {0x80020001, u"Unknown interface.\r\n"},
    {0x80020003, u"Member not found.\r\n"},
    {0x80020004, u"Parameter not found.\r\n"},
    {0x80020005, u"Type mismatch.\r\n"},
    {0x80020006, u"Unknown name.\r\n"},
    {0x80020008, u"Bad variable type.\r\n"},
    {0x80020009, u"Exception occurred.\r\n"},
    {0x8002000A, u"Out of present range.\r\n"},
    {0x8002000B, u"Invalid index.\r\n"},
    {0x8002000E, u"Invalid number of parameters.\r\n"},
    {0x8002000F, u"Parameter not optional.\r\n"},
    {0x8002801D, u"Library not registered.\r\n"},
    {0x8002802B, u"Element not found.\r\n"},
    {0x80030001, u"Unable to perform requested operation.\r\n"},
    {0x80030002, u"%1 could not be found.\r\n"},
    {0x80030005, u"Access Denied.\r\n"},
    {0x80030008, u"There is insufficient memory available to complete operation.\r\n"},
    {0x80030009, u"Invalid pointer error.\r\n"},
    {0x80030019, u"A disk error occurred during a seek operation.\r\n"},
    {0x8003001D, u"A disk error occurred during a write operation.\r\n"},
    {0x8003001E, u"A disk error occurred during a read operation.\r\n"},
    {0x80030057, u"Invalid parameter error.\r\n"},
    {0x80030070, u"There is insufficient disk space to complete operation.\r\n"},
    {0x800C0002, u"Invalid URL\r\n"},
};

const char16_t* Lookup(DWORD id)
{
    for (const Message& m : kHresult)
        if (m.id == id)
            return m.text;
    DWORD code = id;
    if ((id & 0xFFFF0000u) == 0x80070000u)
        code = id & 0xFFFF;
    else if (id > 0xFFFF)
        return nullptr;
    for (const Message& m : kWin32)
        if (m.id == code)
            return m.text;
    return nullptr;
}

} // namespace

extern "C" DWORD FormatMessageW(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPWSTR lpBuffer, DWORD nSize,
                                va_list*)
{
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || !lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char16_t* text = Lookup(dwMessageId);
    if (!text) {
        SetLastError(317); // ERROR_MR_MID_NOT_FOUND
        return 0;
    }
    DWORD len = DWORD(wcslen(text));
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* out = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, (len + 1) * sizeof(WCHAR)));
        if (!out) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(out, text, (len + 1) * sizeof(WCHAR));
        *reinterpret_cast<WCHAR**>(lpBuffer) = out;
        return len;
    }
    if (nSize <= len) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text, (len + 1) * sizeof(WCHAR));
    return len;
}

extern "C" HGLOBAL LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    void* p = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, uBytes ? uBytes : 1) : std::malloc(uBytes ? uBytes : 1);
    if (!p)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

extern "C" HGLOBAL LocalFree(HGLOBAL hMem)
{
    std::free(hMem);
    return nullptr;
}
