// Statements of a resource script: LANGUAGE, STRINGTABLE, VERSIONINFO, DIALOGEX, file resources (ICON,
// BITMAP, RCDATA, REGISTRY, TYPELIB, numbered types such as 24) and inline data blocks. Old-style
// dialogs, menus and accelerators are skipped with a warning.
#include "Parser.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <iterator>

namespace vrc {

namespace {

std::string Upper(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::u16string UpperWide(const std::u16string& s)
{
    std::u16string out = s;
    for (char16_t& c : out)
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
    return out;
}

std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string Narrow(const std::u16string& s)
{
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

void PutWord(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void PutDword(std::vector<uint8_t>& out, uint32_t v)
{
    PutWord(out, v & 0xFFFF);
    PutWord(out, v >> 16);
}

void PutText(std::vector<uint8_t>& out, const std::u16string& s, bool terminate)
{
    for (char16_t c : s)
        PutWord(out, c);
    if (terminate)
        PutWord(out, 0);
}

void Align4(std::vector<uint8_t>& out)
{
    while (out.size() % 4)
        out.push_back(0);
}

uint32_t ReadLe(const std::vector<uint8_t>& d, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | d[at + size_t(i)];
    return v;
}

// One node of a VS_VERSIONINFO tree: wLength, wValueLength, wType, key, padding, value, children.
struct VersionNode {
    std::u16string key;
    bool text = false;
    std::vector<uint8_t> value;
    uint16_t valueLength = 0; // characters for text (with the terminator), bytes for binary
    std::vector<VersionNode> children;

    std::vector<uint8_t> Serialize(const Location& where) const
    {
        std::vector<uint8_t> out(6, 0);
        PutText(out, key, true);
        Align4(out);
        out.insert(out.end(), value.begin(), value.end());
        for (const VersionNode& child : children) {
            Align4(out);
            std::vector<uint8_t> c = child.Serialize(where);
            out.insert(out.end(), c.begin(), c.end());
        }
        if (out.size() > 0xFFFF)
            throw CompileError(where, "version information too large");
        out[0] = uint8_t(out.size());
        out[1] = uint8_t(out.size() >> 8);
        out[2] = uint8_t(valueLength);
        out[3] = uint8_t(valueLength >> 8);
        out[4] = text ? 1 : 0;
        return out;
    }
};

} // namespace

const Token& Parser::Peek(size_t ahead) const
{
    static const Token end;
    return m_pos + ahead < m_tokens.size() ? m_tokens[m_pos + ahead] : end;
}

const Token& Parser::Next()
{
    const Token& t = Peek();
    if (t.kind == TokenKind::End) {
        Location where = m_tokens.empty() ? Location{"<input>", 0} : m_tokens.back().where;
        throw CompileError(where, "unexpected end of file");
    }
    ++m_pos;
    return t;
}

bool Parser::IsKeyword(const Token& t, const char* word) const
{
    return t.kind == TokenKind::Identifier && Upper(t.text) == word;
}

bool Parser::AtBegin() const { return IsKeyword(Peek(), "BEGIN") || (Peek().kind == TokenKind::Punct && Peek().text == "{"); }
bool Parser::AtEnd() const { return IsKeyword(Peek(), "END") || (Peek().kind == TokenKind::Punct && Peek().text == "}"); }

void Parser::ExpectBegin(const char* what)
{
    if (!AtBegin()) {
        const Token& t = Peek();
        throw CompileError(t.kind == TokenKind::End ? m_tokens.back().where : t.where,
                           std::string("BEGIN expected in ") + what);
    }
    ++m_pos;
}

uint32_t Parser::Expression()
{
    if (Peek().kind == TokenKind::End)
        Next(); // reports the end of file
    return ExpressionReader(m_tokens, m_pos).Parse();
}

uint16_t Parser::Word(const char* what)
{
    Location where = Peek().where;
    uint32_t v = Expression();
    if (v > 0xFFFF && v < 0xFFFF0000u) // small negative numbers wrap, as rc.exe allows
        throw CompileError(where, std::string(what) + " " + std::to_string(v) + " does not fit in 16 bits");
    return uint16_t(v);
}

std::u16string Parser::StringLiteral(const char* what)
{
    const Token& t = Peek();
    if (t.kind != TokenKind::String)
        throw CompileError(t.kind == TokenKind::End ? m_tokens.back().where : t.where,
                           std::string("quoted string expected for ") + what);
    ++m_pos;
    std::u16string s = t.value;
    while (Peek().kind == TokenKind::String) // adjacent literals join
        s += Next().value;
    return s;
}

ResId Parser::ReadId(bool forType)
{
    const Token& t = Peek();
    if (t.kind == TokenKind::Identifier) {
        ++m_pos;
        ResId r;
        r.isName = true;
        r.name = Widen(Upper(t.text));
        return r;
    }
    if (t.kind == TokenKind::String) {
        ++m_pos;
        ResId r;
        r.isName = true;
        r.name = UpperWide(t.value);
        return r;
    }
    return ResId::Number(Word(forType ? "resource type" : "resource id"));
}

void Parser::Language(uint16_t& language)
{
    uint16_t primary = Word("language");
    if (!(Peek().kind == TokenKind::Punct && Peek().text == ","))
        throw CompileError(Peek().kind == TokenKind::End ? m_tokens.back().where : Peek().where,
                           "',' expected between language and sub-language");
    ++m_pos;
    uint16_t sub = Word("sub-language");
    if (primary > 0x3FF || sub > 0x3F)
        throw CompileError(m_tokens[m_pos - 1].where, "language out of range");
    language = uint16_t((sub << 10) | primary);
}

void Parser::SkipOptions()
{
    static const char* const options[] = {"PRELOAD", "LOADONCALL", "MOVEABLE", "FIXED", "DISCARDABLE",
                                          "PURE", "IMPURE", "SHARED", "NONSHARED"};
    for (;;) {
        bool found = false;
        for (const char* o : options)
            if (IsKeyword(Peek(), o))
                found = true;
        if (!found)
            return;
        ++m_pos;
    }
}

std::vector<Resource> Parser::Parse()
{
    while (Peek().kind != TokenKind::End) {
        const Token& first = Peek();
        Location where = first.where;
        if (IsKeyword(first, "LANGUAGE")) {
            ++m_pos;
            Language(m_language);
            continue;
        }
        if (IsKeyword(first, "STRINGTABLE")) {
            ++m_pos;
            StringTable();
            continue;
        }
        if (first.kind == TokenKind::Punct)
            throw CompileError(where, "unexpected '" + first.text + "'");
        ResId name = ReadId(false);
        const Token& typeToken = Peek();
        if (typeToken.kind == TokenKind::End)
            throw CompileError(where, "resource type expected");
        std::string typeWord = typeToken.kind == TokenKind::Identifier ? Upper(typeToken.text) : std::string();
        if (typeWord == "VERSIONINFO") {
            ++m_pos;
            VersionInfo(name, where);
            continue;
        }
        if (typeWord == "DIALOGEX") {
            ++m_pos;
            DialogEx(name, where);
            continue;
        }
        static const char* const skipped[] = {"DIALOG", "MENU", "MENUEX", "ACCELERATORS",
                                              "DESIGNINFO", "TOOLBAR"};
        if (std::any_of(std::begin(skipped), std::end(skipped), [&](const char* w) { return typeWord == w; })) {
            ++m_pos;
            SkipStatement(name, typeWord, where);
            continue;
        }
        static const std::pair<const char*, uint16_t> builtin[] = {
            {"CURSOR", 1}, {"BITMAP", 2}, {"ICON", 14}, {"FONT", 8}, {"RCDATA", 10}, {"MESSAGETABLE", 11},
            {"HTML", 23}, {"MANIFEST", 24}};
        ResId type;
        bool isBuiltin = false;
        for (const auto& [word, id] : builtin)
            if (typeWord == word) {
                type = ResId::Number(id);
                isBuiltin = true;
            }
        if (isBuiltin)
            ++m_pos;
        else
            type = ReadId(true);
        FileOrData(name, type, typeWord, where);
    }
    BuildStringBlocks();
    return std::move(m_resources);
}

void Parser::StringTable()
{
    uint16_t language = m_language;
    for (;;) {
        SkipOptions();
        if (IsKeyword(Peek(), "LANGUAGE")) {
            ++m_pos;
            Language(language);
        } else if (IsKeyword(Peek(), "CHARACTERISTICS") || IsKeyword(Peek(), "VERSION")) {
            ++m_pos;
            Expression();
        } else {
            break;
        }
    }
    ExpectBegin("STRINGTABLE");
    auto& table = m_strings[language];
    while (!AtEnd()) {
        const Token& idToken = Peek();
        if (idToken.kind == TokenKind::End)
            throw CompileError(m_tokens.back().where, "END expected in STRINGTABLE");
        if (idToken.kind == TokenKind::Identifier)
            throw CompileError(idToken.where, "undefined string id '" + idToken.text + "'");
        Location where = idToken.where;
        uint16_t id = Word("string id");
        if (Peek().kind == TokenKind::Punct && Peek().text == ",")
            ++m_pos;
        std::u16string text = StringLiteral("string table entry");
        auto [it, inserted] = table.emplace(id, StringEntry{text, where});
        if (!inserted)
            throw CompileError(where, "duplicate string id " + std::to_string(id) + " (first defined at " +
                                          it->second.where.ToString() + ")");
    }
    ++m_pos;
}

void Parser::BuildStringBlocks()
{
    for (const auto& [language, table] : m_strings) {
        std::map<uint16_t, std::vector<const std::map<uint16_t, StringEntry>::value_type*>> blocks;
        for (const auto& entry : table)
            blocks[uint16_t(entry.first >> 4)].push_back(&entry);
        for (const auto& [block, entries] : blocks) {
            Resource r;
            r.type = ResId::Number(6);
            r.name = ResId::Number(uint16_t(block + 1));
            r.language = language;
            r.where = entries.front()->second.where;
            std::u16string slots[16];
            for (const auto* e : entries)
                slots[e->first & 15] = e->second.text;
            for (const std::u16string& s : slots) {
                PutWord(r.data, uint32_t(s.size()));
                PutText(r.data, s, false);
            }
            Add(std::move(r));
        }
    }
}

void Parser::VersionInfo(const ResId& name, const Location& where)
{
    uint32_t fixed[13] = {0xFEEF04BD, 0x00010000, 0, 0, 0, 0, 0x3F, 0, 0x00040004, 0, 0, 0, 0};
    for (;;) {
        const Token& t = Peek();
        std::string word = t.kind == TokenKind::Identifier ? Upper(t.text) : std::string();
        if (word == "FILEVERSION" || word == "PRODUCTVERSION") {
            ++m_pos;
            uint16_t parts[4] = {0, 0, 0, 0};
            for (int i = 0; i < 4; ++i) {
                parts[i] = Word("version part");
                if (!(Peek().kind == TokenKind::Punct && Peek().text == ","))
                    break;
                ++m_pos;
            }
            int at = word == "FILEVERSION" ? 2 : 4;
            fixed[at] = (uint32_t(parts[0]) << 16) | parts[1];
            fixed[at + 1] = (uint32_t(parts[2]) << 16) | parts[3];
        } else if (word == "FILEFLAGSMASK" || word == "FILEFLAGS" || word == "FILEOS" || word == "FILETYPE" ||
                   word == "FILESUBTYPE") {
            ++m_pos;
            int at = word == "FILEFLAGSMASK" ? 6 : word == "FILEFLAGS" ? 7 : word == "FILEOS" ? 8
                   : word == "FILETYPE" ? 9 : 10;
            fixed[at] = Expression();
        } else {
            break;
        }
    }

    VersionNode root;
    root.key = u"VS_VERSION_INFO";
    for (uint32_t v : fixed)
        PutDword(root.value, v);
    root.valueLength = uint16_t(root.value.size());

    // Blocks and values, recursively; the stack holds the children list being filled.
    std::function<void(std::vector<VersionNode>&)> block = [&](std::vector<VersionNode>& children) {
        ExpectBegin("VERSIONINFO block");
        while (!AtEnd()) {
            const Token& t = Peek();
            if (t.kind == TokenKind::End)
                throw CompileError(m_tokens.back().where, "END expected in VERSIONINFO");
            if (IsKeyword(t, "BLOCK")) {
                ++m_pos;
                VersionNode node;
                node.key = StringLiteral("BLOCK name");
                node.text = true;
                block(node.children);
                children.push_back(std::move(node));
            } else if (IsKeyword(t, "VALUE")) {
                ++m_pos;
                VersionNode node;
                node.key = StringLiteral("VALUE name");
                std::u16string text;
                bool sawText = false, sawNumber = false;
                while (Peek().kind == TokenKind::Punct && Peek().text == ",") {
                    ++m_pos;
                    if (Peek().kind == TokenKind::String) {
                        text += StringLiteral("VALUE");
                        sawText = true;
                    } else {
                        ExpressionReader reader(m_tokens, m_pos);
                        if (Peek().kind == TokenKind::End)
                            Next();
                        uint32_t v = reader.Parse();
                        reader.sawLong ? PutDword(node.value, v) : PutWord(node.value, v);
                        sawNumber = true;
                    }
                }
                if (sawText && sawNumber)
                    throw CompileError(t.where, "VALUE mixes text and numbers");
                if (sawText || !sawNumber) {
                    node.text = true;
                    PutText(node.value, text, true);
                    node.valueLength = uint16_t(text.size() + 1);
                } else {
                    node.valueLength = uint16_t(node.value.size());
                }
                children.push_back(std::move(node));
            } else {
                throw CompileError(t.where, "BLOCK or VALUE expected in VERSIONINFO, found '" +
                                                (t.kind == TokenKind::String ? Narrow(t.value) : t.text) + "'");
            }
        }
        ++m_pos;
    };
    block(root.children);

    Resource r;
    r.type = ResId::Number(16);
    r.name = name;
    r.language = m_language;
    r.where = where;
    r.data = root.Serialize(where);
    Add(std::move(r));
}

bool Parser::Comma()
{
    if (Peek().kind == TokenKind::Punct && Peek().text == ",") {
        ++m_pos;
        return true;
    }
    return false;
}

// "A | NOT B | C": terms add their bits to the statement's default style, NOT terms take them away.
uint32_t Parser::Style(uint32_t value)
{
    for (;;) {
        bool negate = IsKeyword(Peek(), "NOT");
        if (negate)
            ++m_pos;
        if (Peek().kind == TokenKind::End)
            Next();
        uint32_t term = ExpressionReader(m_tokens, m_pos).ParseOrOperand();
        value = negate ? value & ~term : value | term;
        if (!(Peek().kind == TokenKind::Punct && Peek().text == "|"))
            return value;
        ++m_pos;
    }
}

namespace {

constexpr uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsTabStop = 0x00010000,
                   kWsGroup = 0x00020000, kWsBorder = 0x00800000;

// A class or title field: 0xFFFF and an ordinal, or NUL-terminated text.
void PutNameOrOrdinal(std::vector<uint8_t>& out, bool ordinal, uint16_t id, const std::u16string& text)
{
    if (ordinal) {
        PutWord(out, 0xFFFF);
        PutWord(out, id);
    } else {
        PutText(out, text, true);
    }
}

// The predefined classes are stored as ordinals, as the system's resource compiler does.
void PutClass(std::vector<uint8_t>& out, const std::u16string& name)
{
    static const std::pair<const char16_t*, uint16_t> ordinals[] = {
        {u"BUTTON", 0x80}, {u"EDIT", 0x81}, {u"STATIC", 0x82}, {u"LISTBOX", 0x83}, {u"SCROLLBAR", 0x84},
        {u"COMBOBOX", 0x85}};
    std::u16string upper = UpperWide(name);
    for (const auto& [text, id] : ordinals)
        if (upper == text) {
            PutNameOrOrdinal(out, true, id, {});
            return;
        }
    PutText(out, name, true);
}

} // namespace

// DIALOGEX: a DLGTEMPLATEEX header with its options, then one DLGITEMTEMPLATEEX per control, each on
// a four-byte boundary.
void Parser::DialogEx(const ResId& name, const Location& where)
{
    SkipOptions();
    int16_t rect[4];
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && !Comma())
            throw CompileError(Peek().kind == TokenKind::End ? where : Peek().where, "',' expected in DIALOGEX");
        rect[i] = int16_t(Word("dialog coordinate"));
    }
    uint32_t helpId = Comma() ? Expression() : 0;
    uint32_t style = 0x80880000; // WS_POPUP | WS_BORDER | WS_SYSMENU unless STYLE says otherwise
    uint32_t exStyle = 0;
    bool hasCaption = false, hasFont = false;
    std::u16string caption, face, className, menuName;
    uint16_t pointSize = 0, weight = 0, menuId = 0;
    uint8_t italic = 0, charset = 1;
    bool menuOrdinal = false;
    uint16_t language = m_language;
    for (;;) {
        const Token& t = Peek();
        if (IsKeyword(t, "STYLE")) {
            ++m_pos;
            style = Style(0);
        } else if (IsKeyword(t, "EXSTYLE")) {
            ++m_pos;
            exStyle = Style(0);
        } else if (IsKeyword(t, "CAPTION")) {
            ++m_pos;
            caption = StringLiteral("CAPTION");
            hasCaption = true;
        } else if (IsKeyword(t, "FONT")) {
            ++m_pos;
            hasFont = true;
            pointSize = Word("font size");
            if (!Comma())
                throw CompileError(t.where, "',' expected after the font size");
            face = StringLiteral("FONT");
            if (Comma()) {
                weight = Word("font weight");
                if (Comma()) {
                    italic = uint8_t(Expression() != 0);
                    if (Comma())
                        charset = uint8_t(Word("font character set"));
                }
            }
        } else if (IsKeyword(t, "MENU")) {
            ++m_pos;
            ResId menu = ReadId(false);
            menuOrdinal = !menu.isName;
            menuId = menu.id;
            menuName = menu.name;
        } else if (IsKeyword(t, "CLASS")) {
            ++m_pos;
            className = StringLiteral("CLASS");
        } else if (IsKeyword(t, "LANGUAGE")) {
            ++m_pos;
            Language(language);
        } else if (IsKeyword(t, "CHARACTERISTICS") || IsKeyword(t, "VERSION")) {
            ++m_pos;
            Expression();
        } else {
            break;
        }
    }
    if (hasCaption)
        style |= 0x00C00000; // WS_CAPTION
    if (hasFont)
        style |= 0x40; // DS_SETFONT
    ExpectBegin("DIALOGEX");
    std::vector<uint8_t> items;
    uint16_t count = 0;
    while (!AtEnd()) {
        const Token& t = Peek();
        if (t.kind != TokenKind::Identifier)
            throw CompileError(t.kind == TokenKind::End ? m_tokens.back().where : t.where,
                               "control statement or END expected in DIALOGEX");
        ++m_pos;
        DialogControl(Upper(t.text), items, t.where);
        if (++count == 0)
            throw CompileError(t.where, "too many controls");
    }
    ++m_pos;

    Resource r;
    r.type = ResId::Number(5);
    r.name = name;
    r.language = language;
    r.where = where;
    PutWord(r.data, 1);
    PutWord(r.data, 0xFFFF);
    PutDword(r.data, helpId);
    PutDword(r.data, exStyle);
    PutDword(r.data, style);
    PutWord(r.data, count);
    for (int16_t v : rect)
        PutWord(r.data, uint16_t(v));
    if (menuOrdinal)
        PutNameOrOrdinal(r.data, true, menuId, {});
    else
        PutText(r.data, menuName, true);
    PutText(r.data, className, true);
    PutText(r.data, caption, true);
    if (style & 0x40) {
        PutWord(r.data, pointSize);
        PutWord(r.data, weight);
        r.data.push_back(italic);
        r.data.push_back(charset);
        PutText(r.data, face, true);
    }
    if (!items.empty()) {
        Align4(r.data);
        r.data.insert(r.data.end(), items.begin(), items.end());
    }
    Add(std::move(r));
}

void Parser::DialogControl(const std::string& word, std::vector<uint8_t>& items, const Location& where)
{
    struct Shorthand {
        const char* word;
        const char16_t* className;
        uint32_t style;
        bool hasText;
    };
    static const Shorthand shorthands[] = {
        {"LTEXT", u"STATIC", 0x0 | kWsGroup, true},
        {"RTEXT", u"STATIC", 0x2 | kWsGroup, true},
        {"CTEXT", u"STATIC", 0x1 | kWsGroup, true},
        {"PUSHBUTTON", u"BUTTON", 0x0 | kWsTabStop, true},
        {"DEFPUSHBUTTON", u"BUTTON", 0x1 | kWsTabStop, true},
        {"GROUPBOX", u"BUTTON", 0x7, true},
        {"CHECKBOX", u"BUTTON", 0x2 | kWsTabStop, true},
        {"AUTOCHECKBOX", u"BUTTON", 0x3 | kWsTabStop, true},
        {"RADIOBUTTON", u"BUTTON", 0x4, true},
        {"AUTORADIOBUTTON", u"BUTTON", 0x9, true},
        {"EDITTEXT", u"EDIT", 0x0 | kWsBorder | kWsTabStop, false},
        {"LISTBOX", u"LISTBOX", 0x1 | kWsBorder, false},
        {"COMBOBOX", u"COMBOBOX", 0x1 | kWsTabStop, false},
        {"ICON", u"STATIC", 0x3, true},
        {"CONTROL", nullptr, 0, true},
    };
    const Shorthand* kind = nullptr;
    for (const Shorthand& s : shorthands)
        if (word == s.word)
            kind = &s;
    if (!kind)
        throw CompileError(where, "unknown control statement '" + word + "'");
    auto comma = [&] {
        if (!Comma()) // reported at the statement: what follows may be the next line's
            throw CompileError(where, "',' expected in " + word);
    };

    bool textOrdinal = false;
    uint16_t textId = 0;
    std::u16string text;
    if (kind->hasText) {
        if (Peek().kind == TokenKind::String) {
            text = StringLiteral(word.c_str());
        } else {
            textOrdinal = true;
            textId = Word("control text");
        }
        comma();
    }
    uint32_t id = Expression();
    comma();
    std::u16string className = kind->className ? kind->className : u"";
    uint32_t style = kWsChild | kWsVisible | kind->style;
    int16_t rect[4] = {0, 0, 0, 0};
    uint32_t exStyle = 0, helpId = 0;
    if (!kind->className) {
        className = StringLiteral("control class");
        comma();
        style = Style(kWsChild | kWsVisible);
        for (int i = 0; i < 4; ++i) {
            comma();
            rect[i] = int16_t(Word("control coordinate"));
        }
    } else {
        rect[0] = int16_t(Word("control coordinate"));
        comma();
        rect[1] = int16_t(Word("control coordinate"));
        // An icon's size is optional and not stored: the control takes the picture's.
        bool icon = word == "ICON";
        if (!icon || Comma()) {
            if (!icon)
                comma();
            rect[2] = int16_t(Word("control coordinate"));
            comma();
            rect[3] = int16_t(Word("control coordinate"));
            if (icon)
                rect[2] = rect[3] = 0;
            if (Comma())
                style = Style(style);
        }
    }
    if (Comma())
        exStyle = Style(0);
    if (Comma())
        helpId = Expression();
    if (AtBegin()) // creation data of a control: not used by the system's classes
        SkipStatement(ResId::Number(uint16_t(id)), word + " data", where);

    Align4(items);
    PutDword(items, helpId);
    PutDword(items, exStyle);
    PutDword(items, style);
    for (int16_t v : rect)
        PutWord(items, uint16_t(v));
    PutDword(items, id);
    PutClass(items, className);
    PutNameOrOrdinal(items, textOrdinal, textId, text);
    PutWord(items, 0); // no creation data
}

void Parser::SkipStatement(const ResId& name, const std::string& typeWord, const Location& where)
{
    m_warnings << where.ToString() << ": warning: " << typeWord << " "
               << (name.isName ? Narrow(name.name) : std::to_string(name.id)) << " skipped (not supported)\n";
    while (!AtBegin()) {
        if (Peek().kind == TokenKind::End)
            throw CompileError(where, "BEGIN expected in " + typeWord);
        ++m_pos;
    }
    int depth = 0;
    do {
        if (Peek().kind == TokenKind::End)
            throw CompileError(where, "END expected in " + typeWord);
        if (AtBegin())
            ++depth;
        else if (AtEnd())
            --depth;
        ++m_pos;
    } while (depth > 0);
}

void Parser::FileOrData(const ResId& name, const ResId& type, const std::string& typeWord, const Location& where)
{
    SkipOptions();
    Resource r;
    r.name = name;
    r.type = type;
    r.language = m_language;
    r.where = where;
    if (AtBegin()) {
        if (typeWord == "ICON" || typeWord == "BITMAP" || typeWord == "CURSOR")
            throw CompileError(where, typeWord + " needs a file name");
        ++m_pos;
        r.data = InlineData();
        Add(std::move(r));
        return;
    }
    if (Peek().kind != TokenKind::String)
        throw CompileError(Peek().kind == TokenKind::End ? where : Peek().where,
                           "file name in quotes or BEGIN expected after the resource type");
    std::vector<uint8_t> file = ReadBinaryFile(Next());
    if (typeWord == "ICON") {
        AddIcon(name, file, where);
        return;
    }
    if (typeWord == "BITMAP") { // the resource is the DIB without its file header
        if (file.size() < 14 + 12 || file[0] != 'B' || file[1] != 'M')
            throw CompileError(where, "not a valid bitmap file");
        file.erase(file.begin(), file.begin() + 14);
    }
    r.data = std::move(file);
    Add(std::move(r));
}

std::vector<uint8_t> Parser::InlineData()
{
    std::vector<uint8_t> out;
    while (!AtEnd()) {
        const Token& t = Peek();
        if (t.kind == TokenKind::End)
            throw CompileError(m_tokens.back().where, "END expected in data block");
        if (t.kind == TokenKind::Punct && t.text == ",") {
            ++m_pos;
        } else if (t.kind == TokenKind::String) {
            ++m_pos;
            if (t.wide) {
                PutText(out, t.value, false);
            } else {
                for (char16_t c : t.value) // narrow text: one byte per character below 256, else UTF-8
                    if (c < 0x100) {
                        out.push_back(uint8_t(c));
                    } else {
                        out.push_back(uint8_t(0xE0 | (c >> 12)));
                        out.push_back(uint8_t(0x80 | ((c >> 6) & 0x3F)));
                        out.push_back(uint8_t(0x80 | (c & 0x3F)));
                    }
            }
        } else {
            ExpressionReader reader(m_tokens, m_pos);
            uint32_t v = reader.Parse();
            reader.sawLong ? PutDword(out, v) : PutWord(out, v);
        }
    }
    ++m_pos;
    return out;
}

std::vector<uint8_t> Parser::ReadBinaryFile(const Token& fileToken)
{
    std::string written = Narrow(fileToken.value);
    std::string path = m_lexer.Resolve(written, fileToken.where.file);
    if (path.empty())
        throw CompileError(fileToken.where, "cannot find file '" + written + "'");
    std::string content;
    if (!ReadWholeFile(path, content))
        throw CompileError(fileToken.where, "cannot read file '" + written + "'");
    std::vector<uint8_t> data(content.begin(), content.end());
    if (data.size() > 0x7FFFFFFF)
        throw CompileError(fileToken.where, "file '" + written + "' is too large");
    m_referenced.push_back(path);
    return data;
}

// An .ico file becomes one RT_ICON per image and an RT_GROUP_ICON directory naming them, as on Windows.
void Parser::AddIcon(const ResId& name, const std::vector<uint8_t>& file, const Location& where)
{
    if (file.size() < 6 || ReadLe(file, 0, 2) != 0 || ReadLe(file, 2, 2) != 1)
        throw CompileError(where, "not a valid icon file");
    uint32_t count = ReadLe(file, 4, 2);
    if (count == 0 || file.size() < 6 + size_t(count) * 16)
        throw CompileError(where, "icon file directory is truncated");
    Resource group;
    group.type = ResId::Number(14);
    group.name = name;
    group.language = m_language;
    group.where = where;
    PutWord(group.data, 0);
    PutWord(group.data, 1);
    PutWord(group.data, count);
    for (uint32_t i = 0; i < count; ++i) {
        size_t e = 6 + size_t(i) * 16;
        uint32_t size = ReadLe(file, e + 8, 4), offset = ReadLe(file, e + 12, 4);
        if (size == 0 || offset > file.size() || size > file.size() - offset)
            throw CompileError(where, "icon image " + std::to_string(i) + " lies outside the file");
        Resource image;
        image.type = ResId::Number(3);
        image.name = ResId::Number(m_nextIconId);
        image.language = m_language;
        image.where = where;
        image.data.assign(file.begin() + offset, file.begin() + offset + size);
        group.data.insert(group.data.end(), file.begin() + long(e), file.begin() + long(e) + 12);
        // Writers that leave planes and bit count at zero in the file's directory: the group takes them
        // from the image's own header, since icon lookups choose an image by its depth.
        size_t planesAt = group.data.size() - 8;
        if ((ReadLe(group.data, planesAt, 2) == 0 || ReadLe(group.data, planesAt + 2, 2) == 0) &&
            image.data.size() >= 40 && ReadLe(image.data, 0, 4) == 40) {
            group.data[planesAt] = image.data[12];
            group.data[planesAt + 1] = image.data[13];
            group.data[planesAt + 2] = image.data[14];
            group.data[planesAt + 3] = image.data[15];
        }
        PutWord(group.data, m_nextIconId);
        if (++m_nextIconId == 0)
            throw CompileError(where, "too many icon images");
        Add(std::move(image));
    }
    Add(std::move(group));
}

void Parser::Add(Resource r)
{
    for (const Resource& other : m_resources)
        if (other.type == r.type && other.name == r.name && other.language == r.language)
            throw CompileError(r.where, "duplicate resource (first defined at " + other.where.ToString() + ")");
    m_resources.push_back(std::move(r));
}

} // namespace vrc
