// What a closed HTML document keeps once the parser's tree is gone: its base address, its links (a and area
// elements, in document order) with their attributes, and the rendered text of the body, in which each link
// knows the span of its own text.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mshtml {

struct Attribute {
    std::string name; // lower case, as the parser reports HTML attribute names
    std::string value;
};

struct LinkElement {
    bool area = false;
    std::vector<Attribute> attributes;
    size_t textBegin = 0;
    size_t textEnd = 0;
};

struct ParsedDocument {
    std::u16string baseHref; // the first <base href>, as written; empty when there is none
    std::vector<LinkElement> links;
    std::string text; // rendered text (UTF-8) of the elements that hold links, or of all when asked
};

// Parses text written into a document. Never fails on bad mark-up; returns null only when out of memory.
// The rendered text is kept for the links only unless wholeText asks for all of it.
std::shared_ptr<const ParsedDocument> ParseHtml(std::u16string_view html, bool wholeText = false);

// The innerText of a link: its span of the rendered text without the white space around it.
std::u16string InnerText(const ParsedDocument& document, const LinkElement& link);

// The attribute's value, or null; the name is matched ignoring case unless caseSensitive.
const Attribute* FindAttribute(const LinkElement& link, std::u16string_view name, bool caseSensitive);

// Text as the parser takes it: UTF-8, with each lone surrogate and each NUL as U+FFFD, and the conditional
// comments whose condition holds opened up (their content is mark-up, as Internet Explorer reads it).
std::string PrepareForParser(std::u16string_view html);

// The same text reduced to its links, line breaks and text, with comments and the content of script, style
// and the like left out: what is parsed instead when the full text would take the parser too long (its tree
// building slows down with nesting depth, and a hostile body can nest without end).
std::string FlattenForParser(const std::string& prepared);

// The address an URL attribute expands to: trimmed, resolved against the base and put in canonical form.
std::u16string ResolveUrl(std::u16string_view base, std::u16string_view reference);

} // namespace mshtml
