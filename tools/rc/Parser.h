// The resource compiler's statement parser: turns the preprocessed tokens into resources in their
// Windows binary forms (string blocks of 16, VS_VERSIONINFO, icon groups, bitmaps without their
// file header, raw file contents).
#pragma once

#include <ostream>

#include "Lexer.h"

namespace vrc {

// A resource type or name: a 16-bit number, or an upper-case name.
struct ResId {
    bool isName = false;
    uint16_t id = 0;
    std::u16string name;

    static ResId Number(uint16_t n) { return {false, n, {}}; }
    bool operator<(const ResId& o) const
    {
        return isName != o.isName ? !isName : isName ? name < o.name : id < o.id;
    }
    bool operator==(const ResId& o) const { return isName == o.isName && id == o.id && name == o.name; }
};

struct Resource {
    ResId type;
    ResId name;
    uint16_t language = 0;
    std::vector<uint8_t> data;
    Location where;
};

class Parser {
public:
    // Warnings (statements that are skipped) go to `warnings`; files read are added to the lexer's list.
    Parser(Lexer& lexer, std::ostream& warnings) : m_lexer(lexer), m_tokens(lexer.Tokens()), m_warnings(warnings) {}

    // Throws CompileError.
    std::vector<Resource> Parse();
    // Files that resources were read from, for the build's dependency list.
    const std::vector<std::string>& Referenced() const { return m_referenced; }

private:
    const Token& Peek(size_t ahead = 0) const;
    const Token& Next();
    bool IsKeyword(const Token& t, const char* word) const;
    bool AtBegin() const;
    bool AtEnd() const;
    void ExpectBegin(const char* what);
    uint32_t Expression();
    uint16_t Word(const char* what);
    std::u16string StringLiteral(const char* what);
    ResId ReadId(bool forType);

    void Language(uint16_t& language);
    void SkipOptions();
    void StringTable();
    void VersionInfo(const ResId& name, const Location& where);
    void DialogEx(const ResId& name, const Location& where);
    void DialogControl(const std::string& word, std::vector<uint8_t>& items, const Location& where);
    uint32_t Style(uint32_t value);
    bool Comma();
    void SkipStatement(const ResId& name, const std::string& typeWord, const Location& where);
    void FileOrData(const ResId& name, const ResId& type, const std::string& typeWord, const Location& where);
    std::vector<uint8_t> InlineData();
    std::vector<uint8_t> ReadBinaryFile(const Token& fileToken);
    void AddIcon(const ResId& name, const std::vector<uint8_t>& file, const Location& where);
    void Add(Resource r);
    void BuildStringBlocks();

    Lexer& m_lexer;
    const std::vector<Token>& m_tokens;
    std::ostream& m_warnings;
    size_t m_pos = 0;
    uint16_t m_language = 0x0409;
    uint16_t m_nextIconId = 1;
    std::vector<Resource> m_resources;
    std::vector<std::string> m_referenced;
    struct StringEntry {
        std::u16string text;
        Location where;
    };
    std::map<uint16_t, std::map<uint16_t, StringEntry>> m_strings; // language -> id -> text
};

} // namespace vrc
