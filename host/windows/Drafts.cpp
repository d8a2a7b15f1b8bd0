// The Windows host keeps no drafts: writing MIME is the Linux store's (GMime). A displayed item is still
// reported, as not written.
#include "host/store/MailItem.h"

namespace store {

std::string WriteDraft(const WString&, const WString&)
{
    return std::string();
}

} // namespace store
