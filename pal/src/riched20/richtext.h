// The rich edit control's document: text whose paragraph breaks are single CRs (so a CR LF given to the
// control counts as one character in every position), and character formats as runs keyed by their
// first position. Edits and formatting cost the length of the text touched plus a logarithm, so very
// large texts stay linear.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "pal/dialogs.h"

namespace pal::riched {

struct Format {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool link = false;
    bool autoColor = true;
    COLORREF color = 0;
    bool operator==(const Format& o) const
    {
        return bold == o.bold && italic == o.italic && underline == o.underline && link == o.link &&
               autoColor == o.autoColor && (autoColor || color == o.color);
    }
};

class RichText {
public:
    RichText() { m_runs[0] = Format{}; }

    // CR LF and lone LF become CR; the whole text takes format f.
    void SetText(std::u16string_view text, const Format& f);
    // Replaces [start, end) by text in format f.
    void Replace(LONG start, LONG end, std::u16string_view text, const Format& f);
    // Applies the masked parts (CFM_BOLD, CFM_ITALIC, CFM_UNDERLINE, CFM_LINK, CFM_COLOR) of f to [start, end).
    void Apply(LONG start, LONG end, DWORD mask, const Format& f);
    Format At(LONG position) const;

    const std::u16string& Text() const { return m_text; }
    LONG Length() const { return LONG(m_text.size()); }
    LONG Breaks() const { return m_breaks; }
    // The text as the control hands it out: breaks as CR LF.
    std::u16string WithCrLf(LONG start, LONG end) const;
    // Adjacent runs of equal format are one.
    std::vector<CharRun> Runs() const;
    // Marks the URLs of the text as links.
    void DetectUrls();

private:
    void Split(LONG position);
    void Merge(LONG from, LONG to);

    std::u16string m_text;
    LONG m_breaks = 0;
    std::map<LONG, Format> m_runs; // always holds position 0
};

// The text as a program reads a selection of it back, and the formats it is given in.
Format FromCharFormat(DWORD mask, DWORD effects, COLORREF color, const Format& base);

} // namespace pal::riched
