// The resource compiler's front end: reads a .rc file with its includes, runs the preprocessor
// (#include, #define, #undef, #if/#ifdef/#ifndef/#elif/#else/#endif, #pragma) and yields tokens with
// object-like macros expanded, each token carrying the file and line it came from.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace vrc {

struct Location {
    std::string file;
    int line = 0;
    std::string ToString() const { return file + ":" + std::to_string(line); }
};

// A fault in the input: reported as "file:line: error: message".
class CompileError : public std::runtime_error {
public:
    CompileError(const Location& where, const std::string& message)
        : std::runtime_error(where.ToString() + ": error: " + message)
    {
    }
};

enum class TokenKind { End, Identifier, Number, String, Punct };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;       // identifier, punctuator, or the number as written
    uint32_t number = 0;    // Number
    bool isLong = false;    // Number with an L suffix
    std::u16string value;   // String, escapes resolved
    bool wide = false;      // String with an L prefix
    Location where;
};

struct Macro {
    bool functionLike = false;
    std::vector<Token> body;
};

class Lexer {
public:
    Lexer(std::vector<std::string> includeDirs, std::map<std::string, Macro> predefined);

    // Reads the whole translation unit; throws CompileError.
    void Run(const std::string& path);

    const std::vector<Token>& Tokens() const { return m_tokens; }
    // Every file read, for the build's dependency list.
    const std::set<std::string>& Files() const { return m_files; }
    // Resolves a path written in the source: next to the including file, then the include directories.
    std::string Resolve(const std::string& name, const std::string& fromFile) const;

    // Parses "NAME" or "NAME=VALUE" as given with -D on the command line.
    static std::pair<std::string, Macro> ParseDefine(const std::string& definition);

private:
    struct Conditional {
        bool active;     // the current branch is taken
        bool anyTaken;   // some branch of this group was taken
        bool seenElse;
        Location where;
    };

    void ReadFile(const std::string& path, const Location& includedFrom, int depth);
    void Directive(const std::string& line, const Location& where, const std::string& path, int depth);
    bool Active() const;
    bool EvaluateCondition(const std::string& text, const Location& where);
    void Emit(const std::vector<Token>& raw);
    void Expand(const Token& token, std::set<std::string>& active, std::vector<Token>& out);

    std::vector<std::string> m_includeDirs;
    std::map<std::string, Macro> m_macros;
    std::vector<Conditional> m_conditionals;
    std::vector<Token> m_tokens;
    std::set<std::string> m_files;
};

// Reads a whole regular file into content. False when it cannot be opened or read to its end (a directory
// opens like a file and fails only when read); never throws.
bool ReadWholeFile(const std::string& path, std::string& content);

// Splits one logical line into raw tokens (no macro expansion).
std::vector<Token> Tokenize(const std::string& text, const Location& where);

// Integer expressions of the preprocessor and of statements: | ^ & << >> + - * / % and unary - + ~ !.
class ExpressionReader {
public:
    ExpressionReader(const std::vector<Token>& tokens, size_t& pos) : m_tokens(tokens), m_pos(pos) {}
    uint32_t Parse();
    // One operand of '|' (the style expressions of dialog statements split at '|' for NOT).
    uint32_t ParseOrOperand() { return Binary(3); }
    bool sawLong = false;

private:
    uint32_t Binary(int level);
    uint32_t Unary();
    const Token& Peek() const;
    bool IsPunct(const char* p) const;
    const std::vector<Token>& m_tokens;
    size_t& m_pos;
};

} // namespace vrc
