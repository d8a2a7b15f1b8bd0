// The per-thread last error.
#include "windows.h"

static thread_local DWORD t_lastError = 0;

extern "C" DWORD GetLastError() { return t_lastError; }
extern "C" void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }
