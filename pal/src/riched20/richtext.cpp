#include "riched20/richtext.h"

#include <algorithm>
#include <iterator>

namespace pal::riched {

namespace {

std::u16string Normalise(std::u16string_view text, LONG& breaks)
{
    std::u16string out;
    out.reserve(text.size());
    breaks = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += u'\r';
            ++breaks;
        } else {
            out += c;
        }
    }
    return out;
}

bool IsUrlChar(char16_t c)
{
    return c > u' ' && c != u'<' && c != u'>' && c != u'"' && c != 0x7F;
}

bool StartsWithNoCase(const std::u16string& text, size_t at, std::u16string_view prefix)
{
    if (text.size() - at < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = text[at + i];
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

} // namespace

void RichText::SetText(std::u16string_view text, const Format& f)
{
    m_text = Normalise(text, m_breaks);
    m_runs.clear();
    m_runs[0] = f;
}

void RichText::Replace(LONG start, LONG end, std::u16string_view text, const Format& f)
{
    LONG n = Length();
    start = std::clamp<LONG>(start, 0, n);
    end = std::clamp<LONG>(end, start, n);
    LONG added;
    std::u16string insert = Normalise(text, added);
    m_breaks -= LONG(std::count(m_text.begin() + start, m_text.begin() + end, u'\r'));
    m_breaks += added;
    Split(start);
    Split(end);
    Format after = At(end);
    // Runs inside the replaced range go; the ones after it move.
    m_runs.erase(m_runs.lower_bound(start), m_runs.lower_bound(end));
    LONG delta = LONG(insert.size()) - (end - start);
    if (delta != 0) {
        std::map<LONG, Format> moved;
        for (auto it = m_runs.lower_bound(end); it != m_runs.end();)
            moved.emplace_hint(moved.end(), it->first + delta, it->second), it = m_runs.erase(it);
        m_runs.insert(moved.begin(), moved.end());
    }
    m_text.replace(size_t(start), size_t(end - start), insert);
    if (!insert.empty())
        m_runs[start] = f;
    LONG tail = start + LONG(insert.size());
    if (tail < Length() && !m_runs.count(tail))
        m_runs[tail] = after;
    if (!m_runs.count(0))
        m_runs[0] = f;
    Merge(start, tail);
}

void RichText::Split(LONG position)
{
    if (position <= 0 || position >= Length() || m_runs.count(position))
        return;
    m_runs[position] = At(position);
}

void RichText::Merge(LONG from, LONG to)
{
    auto it = m_runs.upper_bound(std::max<LONG>(0, from - 1));
    if (it != m_runs.begin())
        --it;
    while (it != m_runs.end() && it->first <= to) {
        auto next = std::next(it);
        if (next == m_runs.end())
            break;
        if (next->second == it->second || next->first >= Length())
            m_runs.erase(next);
        else
            it = next;
    }
}

void RichText::Apply(LONG start, LONG end, DWORD mask, const Format& f)
{
    LONG n = Length();
    start = std::clamp<LONG>(start, 0, n);
    end = std::clamp<LONG>(end, start, n);
    if (start == end)
        return;
    Split(start);
    Split(end);
    for (auto it = m_runs.lower_bound(start); it != m_runs.end() && it->first < end; ++it) {
        Format& g = it->second;
        if (mask & CFM_BOLD)
            g.bold = f.bold;
        if (mask & CFM_ITALIC)
            g.italic = f.italic;
        if (mask & CFM_UNDERLINE)
            g.underline = f.underline;
        if (mask & CFM_LINK)
            g.link = f.link;
        if (mask & CFM_COLOR) {
            g.autoColor = f.autoColor;
            g.color = f.color;
        }
    }
    Merge(start, end);
}

Format RichText::At(LONG position) const
{
    auto it = m_runs.upper_bound(position);
    return it == m_runs.begin() ? Format{} : std::prev(it)->second;
}

std::u16string RichText::WithCrLf(LONG start, LONG end) const
{
    start = std::clamp<LONG>(start, 0, Length());
    end = std::clamp<LONG>(end, start, Length());
    std::u16string out;
    out.reserve(size_t(end - start) + size_t(m_breaks));
    for (LONG i = start; i < end; ++i) {
        out += m_text[size_t(i)];
        if (m_text[size_t(i)] == u'\r')
            out += u'\n';
    }
    return out;
}

std::vector<CharRun> RichText::Runs() const
{
    std::vector<CharRun> out;
    for (auto it = m_runs.begin(); it != m_runs.end(); ++it) {
        LONG start = it->first;
        auto next = std::next(it);
        LONG end = next == m_runs.end() ? Length() : next->first;
        if (start >= end)
            continue;
        const Format& f = it->second;
        if (!out.empty() && out.back().end == start) {
            const CharRun& b = out.back();
            Format prev{b.bold, b.italic, b.underline, b.link, b.autoColor, b.color};
            if (prev == f) {
                out.back().end = end;
                continue;
            }
        }
        out.push_back(CharRun{start, end, f.bold, f.italic, f.underline, f.link, f.autoColor, f.autoColor ? 0 : f.color});
    }
    return out;
}

void RichText::DetectUrls()
{
    static const std::u16string_view schemes[] = {u"http://", u"https://", u"ftp://", u"file://", u"mailto:",
                                                  u"news:", u"www."};
    Format link;
    link.link = true;
    size_t n = m_text.size();
    for (size_t i = 0; i < n; ++i) {
        char16_t c = m_text[i];
        if (!(c == u'h' || c == u'H' || c == u'f' || c == u'F' || c == u'm' || c == u'M' || c == u'n' ||
              c == u'N' || c == u'w' || c == u'W'))
            continue;
        if (i > 0 && (IsUrlChar(m_text[i - 1]) && m_text[i - 1] != u'(' && m_text[i - 1] != u'\''))
            continue; // inside a word
        size_t prefix = 0;
        for (std::u16string_view s : schemes)
            if (StartsWithNoCase(m_text, i, s)) {
                prefix = s.size();
                break;
            }
        if (!prefix)
            continue;
        size_t end = i + prefix;
        while (end < n && IsUrlChar(m_text[end]))
            ++end;
        // Sentence punctuation after an address is not part of it.
        while (end > i + prefix && std::u16string_view(u".,;:!?)'").find(m_text[end - 1]) != std::u16string_view::npos)
            --end;
        if (end > i + prefix) {
            Apply(LONG(i), LONG(end), CFM_LINK, link);
            i = end - 1;
        }
    }
}

Format FromCharFormat(DWORD mask, DWORD effects, COLORREF color, const Format& base)
{
    Format f = base;
    if (mask & CFM_BOLD)
        f.bold = (effects & CFE_BOLD) != 0;
    if (mask & CFM_ITALIC)
        f.italic = (effects & CFE_ITALIC) != 0;
    if (mask & CFM_UNDERLINE)
        f.underline = (effects & CFE_UNDERLINE) != 0;
    if (mask & CFM_LINK)
        f.link = (effects & CFE_LINK) != 0;
    if (mask & CFM_COLOR) {
        f.autoColor = (effects & CFE_AUTOCOLOR) != 0;
        f.color = f.autoColor ? 0 : color;
    }
    return f;
}

} // namespace pal::riched
