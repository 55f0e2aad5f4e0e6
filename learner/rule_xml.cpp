#include "learner/rule_xml.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <pugixml.hpp>
#include <system_error>

#include "learner/terminals.h"

namespace rules {

namespace {

std::string_view xmlName(const Node& node, Environment environment) {
    if (node.primitive == Primitive::Terminal) return nameOf(node.terminal, environment);
    if (node.primitive == Primitive::Constant) return "const";
    for (const OperatorName& o : operatorNames())
        if (o.primitive == node.primitive) return o.name;
    return "?";
}

[[noreturn]] void failAt(const pugi::xml_node& element, const std::string& what) {
    // offset_debug() is where the element's name begins, one past its "<".
    throw RuleError("character " + std::to_string(element.offset_debug()) + ": " + what);
}

bool readInt(const char* text, int& value) {
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && ptr == end && ptr != text;
}

class Reader {
public:
    explicit Reader(Environment environment) : environment_(environment) {}

    Tree read(const pugi::xml_node& genotype) {
        const pugi::xml_node root = onlyChild(genotype, "the tree");
        if (!root) failAt(genotype, "the <Genotype> holds no <Primit>; expected the rule's root");
        node(root, 1);
        checkAttribute(genotype, "size", tree_.size());
        checkAttribute(genotype, "depth", tree_.depth());
        return std::move(tree_);
    }

private:
    Environment environment_;
    Tree tree_;

    // The one element child of `parent`, or an empty node when there is none.
    static pugi::xml_node onlyChild(const pugi::xml_node& parent, const char* what) {
        pugi::xml_node found;
        for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            if (found) failAt(child, std::string("a second element where ") + what + " should stand alone");
            found = child;
        }
        return found;
    }

    void node(const pugi::xml_node& element, int depth) {
        if (depth > kMaxDepth) failAt(element, "the rule is deeper than " + std::to_string(kMaxDepth) + " levels");
        if (std::strcmp(element.name(), "Primit") != 0)
            failAt(element, "<" + std::string(element.name()) + ">; expected <Primit>");
        const Node parsed = primitive(element);
        tree_.nodes.push_back(parsed);
        int children = 0;
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            if (++children > arity(parsed.primitive)) break;
            node(child, depth + 1);
        }
        if (children != arity(parsed.primitive))
            failAt(element, "\"" + std::string(element.attribute("name").value()) + "\" takes " +
                                std::to_string(arity(parsed.primitive)) + " argument(s), but " +
                                std::to_string(children) + " are given");
    }

    Node primitive(const pugi::xml_node& element) const {
        const std::string_view name = element.attribute("name").value();
        if (name == "const") return Node{Primitive::Constant, Terminal::Processing, constant(element)};
        for (const OperatorName& o : operatorNames())
            if (o.name == name) return Node{o.primitive};
        for (const TerminalName& t : terminalsOf(environment_))
            if (t.name == name) return Node{Primitive::Terminal, t.terminal};
        failAt(element, "unknown primitive \"" + std::string(name) + "\"; expected an operator (+ - * / neg max " +
                            "min pos exp), \"const\" or a terminal of the " +
                            std::string(namesOf(environment_).adjective) + " environment");
    }

    static double constant(const pugi::xml_node& element) {
        const char* text = element.attribute("value").value();
        const char* end = text + std::strlen(text);
        double value = 0;
        const auto [ptr, ec] = std::from_chars(text, end, value);
        if (ec != std::errc() || ptr != end || ptr == text || !std::isfinite(value))
            failAt(element, "the constant's value \"" + std::string(text) + "\" is not a finite number");
        return value;
    }

    // A size or depth attribute, when given, must describe the tree that was read.
    static void checkAttribute(const pugi::xml_node& genotype, const char* name, int actual) {
        const pugi::xml_attribute attribute = genotype.attribute(name);
        if (!attribute) return;
        int stated = 0;
        if (!readInt(attribute.value(), stated) || stated != actual)
            failAt(genotype, std::string("the ") + name + " attribute says \"" + attribute.value() +
                                 "\", but the tree's " + name + " is " + std::to_string(actual));
    }
};

Tree genotypeOf(const pugi::xml_node& holder, Environment environment) {
    const pugi::xml_node genotype = holder.child("Genotype");
    if (!genotype) throw RuleError("no <Genotype> element; expected the rule's tree");
    return Reader(environment).read(genotype);
}

}  // namespace

std::string toXml(const Tree& tree, Environment environment) {
    std::string out = "<Genotype type=\"gptree\" size=\"" + std::to_string(tree.size()) + "\" depth=\"" +
                      std::to_string(tree.depth()) + "\">";
    // Closing tags owed, as the number of children each open element still awaits.
    std::vector<int> owed;
    for (const Node& node : tree.nodes) {
        out += "<Primit name=\"";
        out += xmlName(node, environment);
        out += '"';
        if (node.primitive == Primitive::Constant) out += " value=\"" + constantText(node.value) + "\"";
        const int children = arity(node.primitive);
        if (children == 0) {
            out += "/>";
            while (!owed.empty() && --owed.back() == 0) {
                out += "</Primit>";
                owed.pop_back();
            }
        } else {
            out += '>';
            owed.push_back(children);
        }
    }
    return out + "</Genotype>";
}

Tree fromXml(std::string_view text, Environment environment) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
    if (!parsed) throw RuleError("character " + std::to_string(parsed.offset + 1) + ": " + parsed.description());
    return genotypeOf(document, environment);
}

namespace {

// The seed file's individuals (<Beagle><Seeds><Individual>), the first one when `all` is false.
std::vector<Tree> seedFileTrees(const std::string& fileName, Environment environment, bool all) {
    const std::string named = "Seed file \"" + fileName + "\": ";
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(fileName.c_str());
    if (parsed.status == pugi::status_file_not_found || parsed.status == pugi::status_io_error)
        throw RuleError(named + "cannot be read.");
    if (!parsed)
        throw RuleError(named + "is not XML (character " + std::to_string(parsed.offset + 1) + ": " +
                        parsed.description() + ").");
    std::vector<Tree> trees;
    for (const pugi::xml_node individual : document.child("Beagle").child("Seeds").children("Individual")) {
        try {
            trees.push_back(genotypeOf(individual, environment));
        } catch (const RuleError& error) {
            const std::string which =
                trees.empty() ? "the individual's rule: " : "individual " + std::to_string(trees.size() + 1) + ": ";
            throw RuleError(named + which + error.what());
        }
        if (!all) break;
    }
    if (trees.empty()) throw RuleError(named + "holds no individual (<Beagle><Seeds><Individual>).");
    return trees;
}

}  // namespace

Tree readSeedFile(const std::string& fileName, Environment environment) {
    return std::move(seedFileTrees(fileName, environment, false).front());
}

std::vector<Tree> readSeedFileAll(const std::string& fileName, Environment environment) {
    return seedFileTrees(fileName, environment, true);
}

}  // namespace rules
