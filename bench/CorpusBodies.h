// The largest HTML bodies of the corpus, as the store decodes them, for the HTML and link benchmarks.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host/store/Message.h"

namespace bench {

// Biggest first, at most eight.
inline const std::vector<std::u16string>& LargestHtmlBodies()
{
    static const std::vector<std::u16string> bodies = [] {
        std::vector<std::u16string> all;
        for (const auto& entry : std::filesystem::directory_iterator(std::string(VANTORA_CORPUS_DIR) + "/eml")) {
            std::string error;
            auto message = store::LoadMessageFile(entry.path().string(), error);
            if (message && !message->html.empty())
                all.push_back(message->html);
        }
        std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
        all.resize(std::min<size_t>(all.size(), 8));
        return all;
    }();
    return bodies;
}

} // namespace bench
