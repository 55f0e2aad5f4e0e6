#include "learner/checkpoint_format.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

#include "learner/terminals.h"

namespace gp::checkpoint {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::size_t kRealDigits = 16;

void appendBits(std::string& text, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char digits[kRealDigits];
    for (std::size_t i = kRealDigits; i-- > 0; bits >>= 4) digits[i] = kHexDigits[bits & 15];
    text.append(digits, kRealDigits);
}

std::optional<double> bitsIn(std::string_view text) {
    std::uint64_t bits = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bits, 16);
    if (text.size() != kRealDigits || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

std::uint64_t hashOf(std::string_view bytes, std::uint64_t hash) {
    for (const unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001b3ull;
    return hash;
}

void Writer::item(std::string_view key) {
    if (!text_.empty()) text_ += '\n';
    text_ += key;
}

void Writer::word(std::string_view text) { (text_ += ' ') += text; }

void Writer::number(std::uint64_t value) { word(std::to_string(value)); }

void Writer::real(double value) { appendBits(text_ += ' ', value); }

void Writer::reals(const std::vector<double>& values) {
    number(values.size());
    for (const double value : values) real(value);
}

void Writer::tree(const rules::Tree& tree) {
    number(tree.nodes.size());
    for (const rules::Node& node : tree.nodes) {
        if (node.primitive == rules::Primitive::Constant)
            appendBits(text_ += " #", node.value);
        else if (node.primitive == rules::Primitive::Terminal)
            word(rules::nameOf(node.terminal, environment_));
        else
            for (const rules::OperatorName& o : rules::operatorNames())
                if (o.primitive == node.primitive) word(o.name);
    }
}

Reader::Reader(std::string_view text, Environment environment, int firstLine, std::string lines)
    : text_(text), environment_(environment), lineNumber_(firstLine - 1), lines_(std::move(lines)) {}

void Reader::item(std::string_view key) {
    if (atEnd()) fail(std::string("the checkpoint ends where \"").append(key).append("\" belongs."));
    std::size_t end = text_.find('\n', next_);
    if (end == std::string_view::npos) end = text_.size();
    line_ = text_.substr(next_, end - next_);
    next_ = end + 1;
    ++lineNumber_;
    const std::string_view found = word();
    if (found != key) fail(std::string("\"").append(key).append("\" expected, \"").append(found).append("\" found."));
}

bool Reader::next(std::string_view key) {
    const std::size_t end = std::min(text_.find('\n', next_), text_.size());
    if (atEnd() || text_.substr(next_, end - next_) != key) return false;
    item(key);
    return true;
}

std::string_view Reader::word() {
    const std::size_t start = line_.find_first_not_of(' ');
    if (start == std::string_view::npos) fail("the line ends before its last word.");
    const std::size_t end = std::min(line_.find(' ', start), line_.size());
    const std::string_view found = line_.substr(start, end - start);
    line_.remove_prefix(end);
    return found;
}

std::string_view Reader::rest() {
    const std::string_view all = line_.empty() ? line_ : line_.substr(1);
    line_ = {};
    return all;
}

std::uint64_t Reader::number() {
    const std::string_view text = word();
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        fail("\"" + std::string(text) + "\" is no whole number.");
    return value;
}

int Reader::count(int most) {
    const std::uint64_t value = number();
    if (value > static_cast<std::uint64_t>(most)) fail(std::to_string(value) + " is more than " + std::to_string(most) + ".");
    return static_cast<int>(value);
}

double Reader::real() { return bitsOf(word()); }

double Reader::bitsOf(std::string_view text) const {
    const std::optional<double> value = bitsIn(text);
    if (!value) fail("\"" + std::string(text) + "\" is not a number's 16 hex digits.");
    return *value;
}

std::vector<double> Reader::reals() {
    // Each value takes a blank and its digits: a count beyond the line is refused before it is taken.
    std::vector<double> values(static_cast<std::size_t>(count(static_cast<int>(line_.size() / (kRealDigits + 1)))));
    for (double& value : values) value = real();
    return values;
}

// A tree whose every node has its operands, no deeper than any rule may be.
rules::Tree Reader::tree() {
    rules::Tree tree;
    tree.nodes.resize(static_cast<std::size_t>(count(static_cast<int>(line_.size() / 2))));
    int open = 1;  // operands still wanted
    for (rules::Node& node : tree.nodes) {
        if (open == 0) fail("a tree holds nodes after its end.");
        const std::string_view name = word();
        if (name.starts_with('#')) {
            node = {rules::Primitive::Constant, rules::Terminal::Processing, bitsOf(name.substr(1))};
        } else {
            node.primitive = rules::Primitive::Terminal;
            for (const rules::OperatorName& o : rules::operatorNames())
                if (o.name == name) node.primitive = o.primitive;
            if (node.primitive == rules::Primitive::Terminal) {
                const auto& terminals = rules::terminalsOf(environment_);
                const auto found = std::find_if(terminals.begin(), terminals.end(),
                                                [&](const rules::TerminalName& t) { return t.name == name; });
                if (found == terminals.end()) fail("\"" + std::string(name) + "\" is no operator or terminal here.");
                node.terminal = found->terminal;
            }
        }
        open += rules::arity(node.primitive) - 1;
    }
    if (open != 0 || tree.depth() > rules::kMaxDepth) fail("a tree is cut short or too deep.");
    return tree;
}

void Reader::done() {
    if (line_.find_first_not_of(' ') != std::string_view::npos) fail("the line holds more than it should.");
}

void Reader::fail(const std::string& what) const {
    throw Damaged(lines_ + " " + std::to_string(lineNumber_) + ": " + what);
}

}  // namespace gp::checkpoint
