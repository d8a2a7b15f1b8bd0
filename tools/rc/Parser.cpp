// Statements of a resource script: LANGUAGE, STRINGTABLE, VERSIONINFO, file resources (ICON, BITMAP,
// RCDATA, REGISTRY, TYPELIB, numbered types such as 24) and inline data blocks. Dialogs, menus and
// accelerators are skipped with a warning.
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
        static const char* const skipped[] = {"DIALOG", "DIALOGEX", "MENU", "MENUEX", "ACCELERATORS",
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
