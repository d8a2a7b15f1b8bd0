// System metrics of the headless Linux desktop.
#include "pal/sysmetrics.h"

extern "C" int GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN: return 1920;
    case SM_CYSCREEN: return 1080;
    case SM_CXICON:
    case SM_CYICON: return 32;
    default: return 0; // includes SM_SERVERR2: not a Windows server
    }
}
