// Link extraction from an HTML body, without network: every host name resolves to loopback through the
// test mapping (no DNS query) and every connection goes to a closed loopback port, and only the offline
// provider is selected, so no request leaves the process. After extraction the server list keeps its
// rules: every server has links, the record of links without a usable host is the only one of its kind
// and last, links are sorted ignoring case and no two of a server are the same address; a sweep and a
// clear follow without harm.
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"
#include "email/EmailLinks.h"
#include "geo/GeoLocationManager.h"

namespace {

void SetUpOnce()
{
    static const bool done = [] {
        fuzz::Prefix();
        setenv("VANTORA_CONNECT_TO", "127.0.0.1:9", 1);
        unsetenv("VANTORA_FETCH_LOOPBACK_LINKS");
        CGeoLocationManager& manager = CGeoLocationManager::Instance();
        manager.InitOnStartup();
        for (const auto& p : manager.GetProviders())
            if (p->GetProviderName() == WString(W("location.ipfire.org")))
                manager.SetSelected({p->GetProviderId()});
        FUZZ_ASSERT(manager.GetSelectedProviders().size() == 1);
        return true;
    }();
    (void)done;
}

const WCHAR* Text(const _bstr_t& s)
{
    const WCHAR* p = s;
    return p ? p : W("");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SetUpOnce();
    fuzz::TrimErrorLog();
    std::u16string body = fuzz::CString(fuzz::Text(data, size));
    CEmailLinks links;
    try {
        links.SetEmailItem(body.c_str());
    } catch (const CErrorInfo&) {
        // a body the document engine refuses: logged and passed on, as to the message model
    }
    FUZZ_ASSERT(links.IsEmailItemSet());

    const IPInfo4LinksList& servers = links.GetLinkServers();
    for (size_t i = 0; i < servers.size(); ++i) {
        const IPInfo4Links& server = servers[i];
        FUZZ_ASSERT(!server.links.empty());
        FUZZ_ASSERT(server.headerPart == 3);
        FUZZ_ASSERT(server.Address() && (server.Address()->IsValid() || i + 1 == servers.size()));
        for (size_t j = 0; j < server.links.size(); ++j) {
            const LinkInfo& link = server.links[j];
            FUZZ_ASSERT(link.linkURL.length() > 0 && link.host.length() > 0 && link.pDataInfo);
            if (j > 0) {
                const LinkInfo& before = server.links[j - 1];
                FUZZ_ASSERT(_wcsicmp(Text(before.linkURL), Text(link.linkURL)) <= 0);
                FUZZ_ASSERT(!(_wcsicmp(Text(before.host), Text(link.host)) == 0 && before.port == link.port &&
                              areURLsSame(Text(before.linkURL), Text(link.linkURL))));
            }
        }
    }
    links.UpdateRequests();
    links.AreRequestsComplete();
    links.Clear();
    FUZZ_ASSERT(links.GetLinkServers().empty() && !links.IsEmailItemSet());
    return 0;
}
