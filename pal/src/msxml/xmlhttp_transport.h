// The one libcurl multi handle of the process, driven by the PAL message loop: its sockets are watched by
// the loop and its timer is a loop timeout, so transfers progress only while the loop is pumped.
#pragma once

#include <curl/curl.h>

namespace pal::http {

class Transfer {
public:
    // The transfer of the easy handle ended (success, failure or a limit); called from the loop, outside
    // every libcurl callback, so the handle may be removed or re-added here.
    virtual void OnTransferDone(CURLcode result) = 0;

protected:
    ~Transfer() = default;
};

// Starts the easy handle; its CURLOPT_PRIVATE must be the Transfer. False when libcurl refuses it.
bool Start(CURL* easy, Transfer* owner);
// Stops it if it runs (harmless otherwise).
void Stop(CURL* easy);

} // namespace pal::http
