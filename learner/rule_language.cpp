#include "learner/rule_language.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "learner/terminals.h"

namespace rules {

namespace {

struct Function {
    std::string_view name;
    Primitive primitive;
};
constexpr Function kFunctions[] = {
    {"max", Primitive::Max}, {"min", Primitive::Min}, {"pos", Primitive::Pos}, {"exp", Primitive::Exp}};

bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string terminalList(Environment environment) {
    std::string list;
    for (const TerminalName& t : terminalsOf(environment)) {
        if (!list.empty()) list += ", ";
        list += t.name;
    }
    return list;
}

// Recursive descent over the infix grammar:
//   sum     := product (("+" | "-") product)*
//   product := unary (("*" | "/") unary)*
//   unary   := "-" unary | primary
//   primary := number | terminal | function "(" sum ["," sum] ")" | "(" sum ")"
class Parser {
public:
    Parser(std::string_view text, Environment environment) : text_(text), environment_(environment) {}

    Tree parse() {
        skipBlanks();
        if (pos_ == text_.size()) fail("the rule is empty; expected an expression");
        sum(1);
        skipBlanks();
        if (pos_ < text_.size()) fail("unexpected \"" + std::string(1, text_[pos_]) + "\"; expected an operator");
        // Long operator chains deepen the tree without deepening the parse.
        if (tree_.depth() > kMaxDepth) failAt(0, "the rule is deeper than " + std::to_string(kMaxDepth) + " levels");
        return std::move(tree_);
    }

private:
    std::string_view text_;
    Environment environment_;
    std::size_t pos_ = 0;
    Tree tree_;

    [[noreturn]] void fail(const std::string& what) const { failAt(pos_, what); }
    [[noreturn]] void failAt(std::size_t at, const std::string& what) const {
        throw RuleError("position " + std::to_string(at + 1) + ": " + what);
    }

    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }
    bool accept(char c) {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void expect(char c, const char* context) {
        if (accept(c)) return;
        fail(std::string(pos_ < text_.size() ? "unexpected \"" + std::string(1, text_[pos_]) + "\"" : "the rule ends") +
             "; expected \"" + c + "\" " + context);
    }
    void guardDepth(int depth) {
        if (depth > kMaxDepth) fail("the rule nests deeper than " + std::to_string(kMaxDepth) + " levels");
    }

    // Each level inserts its operator node in front of the operands already emitted, so the tree
    // stays in prefix order.
    void binaryChain(int depth, void (Parser::*operand)(int), const char* operators, Primitive first,
                     Primitive second) {
        const std::size_t start = tree_.nodes.size();
        (this->*operand)(depth);
        for (;;) {
            skipBlanks();
            if (pos_ == text_.size() || (text_[pos_] != operators[0] && text_[pos_] != operators[1])) return;
            const Primitive op = text_[pos_] == operators[0] ? first : second;
            guardDepth(++depth);  // each operator of a chain lies one level above the previous one
            ++pos_;
            tree_.nodes.insert(tree_.nodes.begin() + static_cast<std::ptrdiff_t>(start), Node{op});
            (this->*operand)(depth);
        }
    }

    void sum(int depth) {
        guardDepth(depth);
        binaryChain(depth, &Parser::product, "+-", Primitive::Add, Primitive::Sub);
    }
    void product(int depth) { binaryChain(depth, &Parser::unary, "*/", Primitive::Mul, Primitive::Div); }

    void unary(int depth) {
        guardDepth(depth);
        if (accept('-')) {
            tree_.nodes.push_back(Node{Primitive::Neg});
            unary(depth + 1);
            return;
        }
        primary(depth);
    }

    void primary(int depth) {
        skipBlanks();
        if (pos_ == text_.size()) fail("the rule ends; expected a number, a terminal, a function, \"-\" or \"(\"");
        const char c = text_[pos_];
        if (c == '(') {
            ++pos_;
            sum(depth + 1);
            expect(')', "to close the parenthesis");
        } else if (isDigit(c) || c == '.') {
            number();
        } else if (isNameStart(c)) {
            name(depth);
        } else {
            fail("unexpected \"" + std::string(1, c) + "\"; expected a number, a terminal, a function, \"-\" or \"(\"");
        }
    }

    // A decimal literal: digits with an optional fraction and exponent.
    void number() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '.') ++pos_;
        while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            std::size_t p = pos_ + 1;
            if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
            if (p < text_.size() && isDigit(text_[p])) {
                pos_ = p;
                while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
            }
        }
        const std::string_view literal = text_.substr(start, pos_ - start);
        double value = 0;
        const auto [end, ec] = std::from_chars(literal.data(), literal.data() + literal.size(), value);
        if (ec == std::errc::result_out_of_range)
            failAt(start, "the number " + std::string(literal) + " is out of the range of a double");
        if (ec != std::errc() || end != literal.data() + literal.size())
            failAt(start, "\"" + std::string(literal) + "\" is not a number");
        tree_.nodes.push_back(Node{Primitive::Constant, Terminal::Processing, value});
    }

    void name(int depth) {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && isNameChar(text_[pos_])) ++pos_;
        const std::string_view word = text_.substr(start, pos_ - start);
        for (const Function& f : kFunctions) {
            if (word != f.name) continue;
            tree_.nodes.push_back(Node{f.primitive});
            expect('(', ("after " + std::string(word)).c_str());
            sum(depth + 1);
            if (arity(f.primitive) == 2) {
                expect(',', ("between the two arguments of " + std::string(word)).c_str());
                sum(depth + 1);
            }
            expect(')', ("to close " + std::string(word) + "(").c_str());
            return;
        }
        for (const TerminalName& t : terminalsOf(environment_)) {
            if (word != t.name) continue;
            tree_.nodes.push_back(Node{Primitive::Terminal, t.terminal});
            return;
        }
        failAt(start, "unknown name \"" + std::string(word) + "\"; expected a terminal of the " +
                          std::string(namesOf(environment_).adjective) + " environment (" + terminalList(environment_) +
                          ") or a function (max, min, pos, exp)");
    }
};

int precedence(Primitive primitive) {
    switch (primitive) {
        case Primitive::Add:
        case Primitive::Sub:
            return 1;
        case Primitive::Mul:
        case Primitive::Div:
            return 2;
        case Primitive::Neg:
            return 3;
        default:
            return 4;
    }
}

char operatorSymbol(Primitive primitive) {
    switch (primitive) {
        case Primitive::Add:
            return '+';
        case Primitive::Sub:
            return '-';
        case Primitive::Mul:
            return '*';
        default:
            return '/';
    }
}

std::string_view functionName(Primitive primitive) {
    for (const Function& f : kFunctions)
        if (f.primitive == primitive) return f.name;
    return "";
}

class Printer {
public:
    Printer(const Tree& tree, Environment environment) : tree_(tree), environment_(environment) {}

    // Prints the subtree at `at` and returns the position after it.
    int print(int at, std::string& out) const {
        const Node& node = tree_.nodes[static_cast<std::size_t>(at)];
        switch (node.primitive) {
            case Primitive::Constant:
                // A negative constant reads back as the negation of its magnitude: the same value.
                if (std::signbit(node.value)) {
                    out += '(';
                    out += constantText(node.value);
                    out += ')';
                } else {
                    out += constantText(node.value);
                }
                return at + 1;
            case Primitive::Terminal:
                out += nameOf(node.terminal, environment_);
                return at + 1;
            case Primitive::Neg:
                out += '-';
                return operand(at + 1, precedence(node.primitive), out);
            case Primitive::Add:
            case Primitive::Sub:
            case Primitive::Mul:
            case Primitive::Div: {
                // Left-associative: the right operand keeps its parentheses at equal precedence, so
                // a + (b + c) stays the tree it was.
                const int level = precedence(node.primitive);
                const int right = operand(at + 1, level, out);
                out += ' ';
                out += operatorSymbol(node.primitive);
                out += ' ';
                return operand(right, level + 1, out);
            }
            default: {
                out += functionName(node.primitive);
                out += '(';
                int next = print(at + 1, out);
                if (arity(node.primitive) == 2) {
                    out += ", ";
                    next = print(next, out);
                }
                out += ')';
                return next;
            }
        }
    }

private:
    const Tree& tree_;
    Environment environment_;

    // Prints an operand in parentheses when it binds less tightly than `needed`.
    int operand(int at, int needed, std::string& out) const {
        const Primitive primitive = tree_.nodes[static_cast<std::size_t>(at)].primitive;
        if (precedence(primitive) >= needed) return print(at, out);
        out += '(';
        const int next = print(at, out);
        out += ')';
        return next;
    }
};

}  // namespace

int arity(Primitive primitive) {
    switch (primitive) {
        case Primitive::Add:
        case Primitive::Sub:
        case Primitive::Mul:
        case Primitive::Div:
        case Primitive::Max:
        case Primitive::Min:
            return 2;
        case Primitive::Neg:
        case Primitive::Pos:
        case Primitive::Exp:
            return 1;
        default:
            return 0;
    }
}

int Tree::subtreeEnd(int root) const {
    int open = 1;
    int at = root;
    while (open > 0) open += arity(nodes[static_cast<std::size_t>(at++)].primitive) - 1;
    return at;
}

int Tree::depth() const {
    // Walking the prefix order with a stack of the children still owed to each open node.
    std::vector<int> owed;
    int deepest = 0;
    for (const Node& node : nodes) {
        while (!owed.empty() && owed.back() == 0) owed.pop_back();
        if (!owed.empty()) --owed.back();
        owed.push_back(arity(node.primitive));
        deepest = std::max(deepest, static_cast<int>(owed.size()));
    }
    return deepest;
}

bool Tree::operator==(const Tree& other) const {
    if (nodes.size() != other.nodes.size()) return false;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Node& a = nodes[i];
        const Node& b = other.nodes[i];
        if (a.primitive != b.primitive) return false;
        if (a.primitive == Primitive::Terminal && a.terminal != b.terminal) return false;
        // Bit-for-bit: 0 and -0 are different constants.
        if (a.primitive == Primitive::Constant && std::signbit(a.value) != std::signbit(b.value)) return false;
        if (a.primitive == Primitive::Constant && a.value != b.value) return false;
    }
    return true;
}

const std::vector<OperatorName>& operatorNames() {
    static const std::vector<OperatorName> kNames = {
        {"+", Primitive::Add},   {"-", Primitive::Sub},   {"*", Primitive::Mul},
        {"/", Primitive::Div},   {"neg", Primitive::Neg}, {"max", Primitive::Max},
        {"min", Primitive::Min}, {"pos", Primitive::Pos}, {"exp", Primitive::Exp},
    };
    return kNames;
}

std::uint64_t hashOf(const Tree& tree) {
    // splitmix64's finaliser on each node's fields in turn.
    const auto mix = [](std::uint64_t x) {
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
        return x ^ (x >> 31);
    };
    std::uint64_t hash = 0x9e3779b97f4a7c15ull;
    for (const Node& node : tree.nodes) {
        std::uint64_t word = static_cast<std::uint64_t>(node.primitive);
        if (node.primitive == Primitive::Terminal) word |= static_cast<std::uint64_t>(node.terminal) << 8;
        hash = mix(hash ^ mix(word));
        if (node.primitive != Primitive::Constant) continue;
        std::uint64_t bits;
        std::memcpy(&bits, &node.value, sizeof bits);
        hash = mix(hash ^ bits);
    }
    return hash;
}

Tree parseInfix(std::string_view text, Environment environment) { return Parser(text, environment).parse(); }

std::string toInfix(const Tree& tree, Environment environment) {
    std::string out;
    if (!tree.nodes.empty()) Printer(tree, environment).print(0, out);
    return out;
}

std::string constantText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace rules
