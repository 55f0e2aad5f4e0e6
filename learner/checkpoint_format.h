#pragma once

// The text of a learning run's checkpoint, item by item: one item per line, its key first, then
// words separated by blanks. Numbers read back exactly: a double is written as the 16 hex digits
// of its bits, so that constants, totals and not-a-numbers come back bit for bit; a tree is its
// node count and its nodes in prefix order (operators by their XML names, terminals by their
// names in the environment, constants as '#' and their bits).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/names.h"
#include "learner/rule_language.h"

namespace gp::checkpoint {

// A text that cannot be read as a checkpoint's: says where and what was expected.
class Damaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// FNV-1a over the bytes, continued from `hash` (the basis for a first piece): a checkpoint's
// check of itself, and of the hall of fame and log up to the point it continues them from.
inline constexpr std::uint64_t kHashBasis = 0xcbf29ce484222325ull;
std::uint64_t hashOf(std::string_view bytes, std::uint64_t hash = kHashBasis);

class Writer {
public:
    explicit Writer(Environment environment) : environment_(environment) {}
    // Starts the next item.
    void item(std::string_view key);
    void word(std::string_view text);
    void number(std::uint64_t value);
    void real(double value);
    void reals(const std::vector<double>& values);
    void tree(const rules::Tree& tree);
    std::string& text() { return text_; }

private:
    Environment environment_;
    std::string text_;
};

class Reader {
public:
    // `firstLine` is the number of the text's first line in its file; messages name the place as
    // "<lines> <number>".
    Reader(std::string_view text, Environment environment, int firstLine, std::string lines = "line");
    // Moves to the next item, which must have this key.
    void item(std::string_view key);
    // Moves to the next item when it has this key and nothing more; false (staying) otherwise.
    bool next(std::string_view key);
    bool atEnd() const { return next_ >= text_.size(); }
    // The next word; damaged when the item has no more.
    std::string_view word();
    // The rest of the item, blanks included.
    std::string_view rest();
    std::uint64_t number();
    int count(int most);  // a number from 0 to most
    double real();
    std::vector<double> reals();
    rules::Tree tree();
    // The item must hold no more words.
    void done();
    [[noreturn]] void fail(const std::string& what) const;

private:
    std::string_view text_;
    Environment environment_;
    std::size_t next_ = 0;  // the start of the next item
    std::string_view line_;
    int lineNumber_;
    std::string lines_;

    double bitsOf(std::string_view text) const;
};

}  // namespace gp::checkpoint
