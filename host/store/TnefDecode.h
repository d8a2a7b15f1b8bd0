// A TNEF stream (winmail.dat) decoded with libytnef into plain values. Kept apart from the Windows-named
// headers: libytnef's own headers define BYTE, WORD, DWORD and ULONG as macros.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace store {

struct TnefText {
    std::string bytes;
    bool unicode = false; // UTF-16LE, else 8-bit in the stream's code page
};

struct TnefContent;

struct TnefPart {
    TnefText name;
    TnefText mimeTag;
    TnefText contentId;
    std::string data;
    long method = 1;
    bool hidden = false;
    std::shared_ptr<TnefContent> embedded; // an attached message carried as a TNEF stream of its own
};

struct TnefContent {
    unsigned codePage = 0;
    TnefText subject;
    TnefText body;
    std::string html;
    std::string rtfCompressed;
    std::vector<TnefPart> parts;
};

// False with the reason when the stream cannot be decoded.
bool DecodeTnef(const std::string& bytes, TnefContent& out, int depth, std::string& error);

} // namespace store
