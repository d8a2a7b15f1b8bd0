// Parsing a written document with gumbo and keeping only what the document's callers read: the links, their
// attributes and their text, and the base address (for the host's message store, the whole text). The parser's tree lives in an arena freed in one piece,
// so that a deeply nested document is not freed by recursion, and is gone once the links are taken.
#include <gumbo.h>

#include <time.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "mshtml/parsed.h"
#include "pal/html_text.h"
#include "pal/host.h"

namespace mshtml {

namespace {

// Small blocks come from large chunks and are never freed one by one; big blocks (the buffers that grow
// with the input) are their own allocations, freed when the parser lets go of them.
class Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena()
    {
        while (m_big.next != &m_big)
            Unlink(m_big.next);
        for (void* chunk : m_chunks)
            std::free(chunk);
    }

    static void* Allocate(void* self, size_t size)
    {
        auto* arena = static_cast<Arena*>(self);
        if (arena->m_deadline && ++arena->m_calls % 256 == 0 && Now() > arena->m_deadline)
            std::longjmp(arena->m_expired, 1);
        return arena->Get(size);
    }

    // The parser's tree building slows down with nesting depth, so a hostile body could keep it busy for
    // hours. Past the deadline, the allocation it asks for next leaves the parse for good (the parser is C
    // and keeps no state outside its arena, so nothing is left behind). The time is the thread's processor
    // time, so that a busy machine does not cut short a parse that would finish.
    void SetDeadline(double seconds) { m_deadline = Now() + seconds; }
    std::jmp_buf m_expired;

    static double Now()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    }
    static void Deallocate(void* self, void* ptr) { static_cast<Arena*>(self)->Put(ptr); }

private:
    struct Big {
        Big* prev;
        Big* next;
        size_t pad;
        size_t size; // just before the block, where a small block keeps its size too
    };
    static constexpr size_t kChunk = 256 * 1024;
    static constexpr size_t kBig = 4096;
    static constexpr size_t kAlign = 16;
    static constexpr size_t kTag = 16; // every block is preceded by its size, to tell big ones on release

    void* Get(size_t size)
    {
        size = (size + kAlign - 1) & ~(kAlign - 1);
        if (size >= kBig) {
            auto* big = static_cast<Big*>(std::malloc(sizeof(Big) + size));
            if (!big)
                OutOfMemory();
            big->size = size;
            big->prev = &m_big;
            big->next = m_big.next;
            m_big.next->prev = big;
            m_big.next = big;
            return big + 1;
        }
        if (m_left < size + kTag) {
            m_next = static_cast<char*>(std::malloc(kChunk));
            if (!m_next)
                OutOfMemory();
            m_chunks.push_back(m_next);
            m_left = kChunk;
        }
        *reinterpret_cast<size_t*>(m_next + kTag - sizeof(size_t)) = size;
        void* block = m_next + kTag;
        m_next += size + kTag;
        m_left -= size + kTag;
        return block;
    }

    void Put(void* ptr)
    {
        if (!ptr)
            return;
        size_t size = reinterpret_cast<size_t*>(ptr)[-1];
        if (size >= kBig)
            Unlink(static_cast<Big*>(ptr) - 1);
    }

    // The parser cannot be unwound through (it is C) and does not check for null.
    [[noreturn]] static void OutOfMemory()
    {
        std::fputs("vantora: out of memory while parsing an HTML document\n", stderr);
        std::abort();
    }

    static void Unlink(Big* big)
    {
        big->prev->next = big->next;
        big->next->prev = big->prev;
        std::free(big);
    }

    Big m_big{&m_big, &m_big, 0, 0};
    std::vector<void*> m_chunks;
    char* m_next = nullptr;
    size_t m_left = 0;
    double m_deadline = 0;
    unsigned m_calls = 0;
};
static_assert(sizeof(size_t) * 4 == 32, "a big block's header keeps blocks 16-byte aligned");

// Elements of HTML (not SVG or MathML); a template is a node of its own kind but an HTML element too.
bool IsHtmlElement(const GumboNode* node)
{
    return (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) &&
           node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

// Elements whose content is never rendered text.
bool IsHidden(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_SCRIPT: case GUMBO_TAG_STYLE: case GUMBO_TAG_NOSCRIPT: case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_HEAD: case GUMBO_TAG_TITLE: case GUMBO_TAG_XMP:
        return true;
    default:
        return false;
    }
}

// Elements that start and end a line of rendered text.
bool IsBlock(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_P: case GUMBO_TAG_DIV: case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3:
    case GUMBO_TAG_H4: case GUMBO_TAG_H5: case GUMBO_TAG_H6: case GUMBO_TAG_LI: case GUMBO_TAG_UL:
    case GUMBO_TAG_OL: case GUMBO_TAG_DL: case GUMBO_TAG_DT: case GUMBO_TAG_DD: case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TR: case GUMBO_TAG_BLOCKQUOTE: case GUMBO_TAG_PRE: case GUMBO_TAG_FORM:
    case GUMBO_TAG_CENTER: case GUMBO_TAG_HR: case GUMBO_TAG_ADDRESS: case GUMBO_TAG_SECTION:
    case GUMBO_TAG_ARTICLE: case GUMBO_TAG_HEADER: case GUMBO_TAG_FOOTER: case GUMBO_TAG_NAV:
    case GUMBO_TAG_ASIDE: case GUMBO_TAG_FIELDSET: case GUMBO_TAG_CAPTION:
        return true;
    default:
        return false;
    }
}

// Renders text the way innerText reads it: runs of white space are one space, <br> is a line break, and
// white space after a line break is dropped. Only text inside a link is kept.
class TextRenderer {
public:
    explicit TextRenderer(std::string& out) : m_out(out) {}

    void Text(const char* s)
    {
        for (; *s; ++s) {
            char c = *s;
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
                m_space = !m_lineStart;
                continue;
            }
            if (m_space)
                Emit(" ");
            m_space = false;
            m_lineStart = false;
            if (m_keep)
                m_out += c;
        }
    }
    void LineBreak()
    {
        Emit("\r\n");
        m_space = false;
        m_lineStart = true;
    }
    void BlockEdge()
    {
        if (!m_lineStart)
            LineBreak();
    }
    void Space() { m_space = !m_lineStart; }
    void Keep(bool keep) { m_keep = keep; }
    size_t Size() const { return m_out.size(); }

private:
    void Emit(const char* s)
    {
        if (m_keep)
            m_out += s;
    }

    std::string& m_out;
    bool m_space = false;
    bool m_lineStart = true;
    bool m_keep = false;
};

struct Frame {
    const GumboNode* node;
    unsigned next; // the next child to visit
    long link;     // index of the link this element is, or -1
};

const GumboVector* ChildrenOf(const GumboNode* node)
{
    switch (node->type) {
    case GUMBO_NODE_DOCUMENT: return &node->v.document.children;
    case GUMBO_NODE_ELEMENT: case GUMBO_NODE_TEMPLATE: return &node->v.element.children;
    default: return nullptr;
    }
}

// One walk in document order, with an explicit stack: documents may nest thousands of elements deep.
void Collect(const GumboNode* root, ParsedDocument& doc, bool wholeText)
{
    TextRenderer text(doc.text);
    text.Keep(wholeText);
    std::vector<Frame> stack;
    stack.push_back({root, 0, -1});
    size_t openLinks = 0;
    size_t hidden = 0;
    size_t noscript = 0; // with scripting on, the engine never makes elements of noscript content
    bool haveBase = false;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const GumboNode* node = frame.node;
        const GumboVector* children = ChildrenOf(node);
        if (!children || frame.next >= children->length) {
            if (IsHtmlElement(node)) {
                GumboTag tag = node->v.element.tag;
                if (tag == GUMBO_TAG_NOSCRIPT)
                    --noscript;
                if (IsHidden(tag))
                    --hidden;
                else if (IsBlock(tag))
                    text.BlockEdge();
                else if (tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH)
                    text.Space();
            }
            if (frame.link >= 0) {
                doc.links[size_t(frame.link)].textEnd = text.Size();
                --openLinks;
                text.Keep(wholeText || openLinks > 0);
            }
            stack.pop_back();
            continue;
        }
        const GumboNode* child = static_cast<const GumboNode*>(children->data[frame.next++]);
        switch (child->type) {
        case GUMBO_NODE_TEXT: case GUMBO_NODE_WHITESPACE: case GUMBO_NODE_CDATA:
            if (!hidden)
                text.Text(child->v.text.text);
            break;
        case GUMBO_NODE_ELEMENT: case GUMBO_NODE_TEMPLATE: {
            const GumboElement& element = child->v.element;
            long link = -1;
            bool html = IsHtmlElement(child);
            if (html && element.tag == GUMBO_TAG_BASE && !haveBase) {
                if (const GumboAttribute* href = gumbo_get_attribute(&element.attributes, "href")) {
                    doc.baseHref = pal::ToWide(href->value);
                    haveBase = true;
                }
            }
            if (html && !noscript && (element.tag == GUMBO_TAG_AREA ||
                         (element.tag == GUMBO_TAG_A && gumbo_get_attribute(&element.attributes, "href")))) {
                LinkElement entry;
                entry.area = element.tag == GUMBO_TAG_AREA;
                entry.attributes.reserve(element.attributes.length);
                for (unsigned i = 0; i < element.attributes.length; ++i) {
                    auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
                    entry.attributes.push_back({attribute->name, attribute->value});
                }
                link = long(doc.links.size());
                doc.links.push_back(std::move(entry));
            }
            if (html && element.tag == GUMBO_TAG_NOSCRIPT)
                ++noscript;
            if (html && IsHidden(element.tag)) {
                ++hidden;
            } else if (html && element.tag == GUMBO_TAG_BR) {
                text.LineBreak();
            } else if (html && IsBlock(element.tag)) {
                text.BlockEdge();
            }
            if (link >= 0) {
                ++openLinks;
                text.Keep(true);
                doc.links.back().textBegin = text.Size();
            }
            stack.push_back({child, 0, link});
            break;
        }
        default: // comments
            break;
        }
    }
}

// The processor time a parse may take: several times what any real body needs (the parser reads about ten
// megabytes a second).
double ParseBudgetSeconds(size_t bytes) { return 2.0 + double(bytes) / (2 << 20); }

// Only this frame lies between setjmp and the parser: nothing with a destructor is skipped by the jump.
GumboOutput* ParseBefore(Arena& arena, const GumboOptions& options, const std::string& input)
{
    if (setjmp(arena.m_expired))
        return nullptr;
    return gumbo_parse_with_options(&options, input.data(), input.size());
}

// Parses and collects; false when the parse ran out of time.
bool ParseInto(const std::string& input, ParsedDocument& doc, bool limited, bool wholeText)
{
    Arena arena;
    if (limited)
        arena.SetDeadline(ParseBudgetSeconds(input.size()));
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &Arena::Allocate;
    options.deallocator = &Arena::Deallocate;
    options.userdata = &arena;
    options.max_errors = 0; // the error list would grow with the input and nobody reads it
    GumboOutput* output = ParseBefore(arena, options, input);
    if (!output)
        return false;
    Collect(output->document, doc, wholeText);
    return true; // the arena frees the whole tree at once
}

} // namespace

std::shared_ptr<const ParsedDocument> ParseHtml(std::u16string_view html, bool wholeText)
{
    try {
        std::string input = PrepareForParser(html);
        auto doc = std::make_shared<ParsedDocument>();
        if (!ParseInto(input, *doc, true, wholeText)) {
            std::fprintf(stderr, "vantora: an HTML document of %zu bytes nests too deeply to parse in time; "
                                 "only its links and text are read\n", input.size());
            // Without nesting the parse takes time in proportion to the text: it needs no deadline.
            doc = std::make_shared<ParsedDocument>();
            ParseInto(FlattenForParser(input), *doc, false, wholeText);
        }
        doc->text.shrink_to_fit();
        return doc;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::u16string InnerText(const ParsedDocument& document, const LinkElement& link)
{
    size_t begin = link.textBegin;
    size_t end = link.textEnd;
    auto isSpace = [](char c) { return c == ' ' || c == '\r' || c == '\n'; };
    while (begin < end && isSpace(document.text[begin]))
        ++begin;
    while (end > begin && isSpace(document.text[end - 1]))
        --end;
    return pal::ToWide(std::string_view(document.text).substr(begin, end - begin));
}

const Attribute* FindAttribute(const LinkElement& link, std::u16string_view name, bool caseSensitive)
{
    std::string wanted = pal::ToUtf8(name);
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (const Attribute& attribute : link.attributes) {
        const std::string& have = attribute.name;
        if (have.size() != wanted.size())
            continue;
        size_t i = 0;
        while (i < have.size() && (caseSensitive ? have[i] == wanted[i] : lower(have[i]) == lower(wanted[i])))
            ++i;
        if (i == have.size())
            return &attribute;
    }
    return nullptr;
}

} // namespace mshtml

std::u16string pal::HtmlDocumentText(std::u16string_view html)
{
    try {
        auto document = mshtml::ParseHtml(html, true);
        return document ? pal::ToWide(document->text) : std::u16string();
    } catch (const std::bad_alloc&) {
        return std::u16string();
    }
}
