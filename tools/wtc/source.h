// The lexer of window sources: lines of tokens (words and quoted texts,
// the texts already turned into GBK bytes), '#' comments dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wtc {

struct Token {
    std::string text;  // a word, or a string's bytes (already GBK)
    bool quoted = false;
};

struct Line {
    int number = 0;
    int indent = 0;
    std::vector<Token> tokens;
};

class Source {
public:
    // Splits the text into lines, keeping those with tokens; `where` names the
    // source in errors.
    Source(std::string_view text, std::string where);

    [[noreturn]] void Fail(const Line& line, const std::string& message) const;
    const std::vector<Line>& lines() const { return lines_; }

private:
    Line Tokenize(std::string_view raw, int number);
    std::string ParseString(std::string_view raw, size_t& i, const Line& line);

    std::string where_;
    std::vector<Line> lines_;
};

}  // namespace wtc
