// The dialog scripts of vantora show, as a person types them on the command line: parsing succeeds with
// actions that each name what was written, or fails with a reason and no actions; parsing what one
// action was written as again gives the same action.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "host/dialogs/DialogScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string script(reinterpret_cast<const char*>(data), size);
    std::vector<host::DialogAction> actions;
    std::string error;
    if (!host::ParseDialogScript(script, actions, error)) {
        FUZZ_ASSERT(actions.empty());
        FUZZ_ASSERT(!error.empty());
        return 0;
    }
    for (const host::DialogAction& a : actions) {
        FUZZ_ASSERT(!a.written.empty());
        // Escapes were resolved: the written form parses again only when it holds no ';' or backslash.
        if (a.written.find_first_of(";\\") != std::string::npos)
            continue;
        std::vector<host::DialogAction> again;
        FUZZ_ASSERT(host::ParseDialogScript(a.written, again, error));
        if (a.verb == host::DialogAction::Verb::Type && a.text.empty() && again.empty())
            continue;
        FUZZ_ASSERT(again.size() == 1 && again[0].verb == a.verb && again[0].id == a.id &&
                    again[0].text == a.text && again[0].items == a.items);
    }
    return 0;
}
