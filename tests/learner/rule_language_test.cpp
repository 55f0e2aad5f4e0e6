// The rule language's two written forms: what the infix parser builds and refuses, the canonical
// infix text, the XML form and the round trips between them.
#include "learner/rule_language.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "learner/rule_xml.h"
#include "support/test_support.h"

using rules::Node;
using rules::Primitive;
using rules::RuleError;
using rules::Terminal;
using rules::Tree;

namespace {

constexpr Environment kSingle = Environment::Single;
constexpr Environment kJobShop = Environment::JobShop;

Node op(Primitive p) { return Node{p}; }
Node term(Terminal t) { return Node{Primitive::Terminal, t}; }
Node constant(double v) { return Node{Primitive::Constant, Terminal::Processing, v}; }

std::string canonical(const std::string& text, Environment environment = kSingle) {
    return rules::toInfix(rules::parseInfix(text, environment), environment);
}

// The message of the RuleError that reading `text` throws, or "" if it reads.
std::string errorOf(const std::string& text, Environment environment = kSingle) {
    try {
        rules::parseInfix(text, environment);
    } catch (const RuleError& error) {
        return error.what();
    }
    return "";
}

std::string xmlErrorOf(const std::string& text) {
    try {
        rules::fromXml(text, kSingle);
    } catch (const RuleError& error) {
        return error.what();
    }
    return "";
}

}  // namespace

TEST(RuleLanguage, PrecedenceAndLeftAssociativityBuildTheTree) {
    const Tree tree = rules::parseInfix("w / (p + wait) - d * -t", kSingle);
    const Tree expected{{op(Primitive::Sub), op(Primitive::Div), term(Terminal::Weight), op(Primitive::Add),
                         term(Terminal::Processing), term(Terminal::Wait), op(Primitive::Mul), term(Terminal::DueDate),
                         op(Primitive::Neg), term(Terminal::Time)}};
    EXPECT_TRUE(tree == expected);
    EXPECT_EQ(tree.size(), 10);
    EXPECT_EQ(tree.depth(), 4);
    EXPECT_EQ(tree.subtreeEnd(1), 6);  // w / (p + wait)
}

TEST(RuleLanguage, CanonicalTextKeepsOnlyTheParenthesesTheTreeNeeds) {
    EXPECT_EQ(canonical("w/(p+wait)"), "w / (p + wait)");
    EXPECT_EQ(canonical("((p))"), "p");
    EXPECT_EQ(canonical("(p - d) - t"), "p - d - t");
    EXPECT_EQ(canonical("p - (d - t)"), "p - (d - t)");  // the right operand keeps its parentheses
    EXPECT_EQ(canonical("p + (d + t)"), "p + (d + t)");  // no reassociation, even of +
    EXPECT_EQ(canonical("p * d + t"), "p * d + t");
    EXPECT_EQ(canonical("p * (d + t)"), "p * (d + t)");
    EXPECT_EQ(canonical("-(p + d)"), "-(p + d)");
    EXPECT_EQ(canonical("- - p"), "--p");
    EXPECT_EQ(canonical("-p * d"), "-p * d");
    EXPECT_EQ(canonical("max(p,min(d , t))+pos(exp(-K))"), "max(p, min(d, t)) + pos(exp(-K))");
    EXPECT_EQ(canonical("0.50 + 1e3 + .25 + 2E-2"), "0.5 + 1000 + 0.25 + 0.02");
    EXPECT_EQ(canonical("twkr / rem + ops * pm", kJobShop), "twkr / rem + ops * pm");
}

TEST(RuleLanguage, TerminalsBelongToTheirEnvironment) {
    for (const char* name :
         {"p", "d", "w", "r", "t", "wait", "s", "v", "L", "K", "pmean", "smean", "SP", "succ", "slack"})
        EXPECT_EQ(canonical(name), name);
    for (const char* name : {"p", "twkr", "rem", "pm", "ops", "d", "w", "t", "r", "wait", "slack", "npt", "nmfree",
                             "winq", "prev", "float"})
        EXPECT_EQ(canonical(name, kJobShop), name);
    for (const Environment parallel : {Environment::Uniform, Environment::Unrelated})
        for (const char* name : {"mfree", "C", "pmin", "pavg"}) EXPECT_EQ(canonical(name, parallel), name);
    EXPECT_EQ(errorOf("twkr"),
              "position 1: unknown name \"twkr\"; expected a terminal of the single-machine environment (p, d, w, r, "
              "t, wait, s, v, L, K, pmean, smean, SP, succ, slack) or a function (max, min, pos, exp)");
    EXPECT_NE(errorOf("s", kJobShop)
                  .find("job-shop environment (p, twkr, rem, pm, ops, d, w, t, r, wait, slack, npt, nmfree, winq, prev, "
                        "float)"),
              std::string::npos);
    EXPECT_NE(errorOf("C").find("unknown name \"C\""), std::string::npos);  // pairs are no single-machine terminal
}

TEST(RuleLanguage, ErrorsSayWhereAndWhatWasExpected) {
    EXPECT_EQ(errorOf(""), "position 1: the rule is empty; expected an expression");
    EXPECT_EQ(errorOf("   "), "position 4: the rule is empty; expected an expression");
    EXPECT_EQ(errorOf("w / (p + wat)").substr(0, 35), "position 10: unknown name \"wat\"; ex");
    EXPECT_EQ(errorOf("p +"), "position 4: the rule ends; expected a number, a terminal, a function, \"-\" or \"(\"");
    EXPECT_EQ(errorOf("p d"), "position 3: unexpected \"d\"; expected an operator");
    EXPECT_EQ(errorOf("(p + d"), "position 7: the rule ends; expected \")\" to close the parenthesis");
    EXPECT_EQ(errorOf("max(p)"), "position 6: unexpected \")\"; expected \",\" between the two arguments of max");
    EXPECT_EQ(errorOf("exp p"), "position 5: unexpected \"p\"; expected \"(\" after exp");
    EXPECT_EQ(errorOf("p * $"),
              "position 5: unexpected \"$\"; expected a number, a terminal, a function, \"-\" or \"(\"");
    EXPECT_EQ(errorOf("1e999"), "position 1: the number 1e999 is out of the range of a double");
    EXPECT_EQ(errorOf("p + ."), "position 5: \".\" is not a number");
}

TEST(RuleLanguage, DeepRulesAreRefusedBeforeTheyCanExhaustTheStack) {
    const std::string nested = std::string(300, '(') + "p" + std::string(300, ')');
    EXPECT_NE(errorOf(nested).find("nests deeper than 200 levels"), std::string::npos);
    std::string chain = "p";
    for (int i = 0; i < 250; ++i) chain += " + p";
    EXPECT_NE(errorOf(chain).find("deeper than 200 levels"), std::string::npos);
    // A long chain inside parentheses deepens the tree below the operators around it.
    std::string inner = "(p";
    for (int i = 0; i < 150; ++i) inner += " * p";
    inner += ")";
    for (int i = 0; i < 150; ++i) inner += " + p";
    EXPECT_NE(errorOf(inner).find("deeper than 200 levels"), std::string::npos);
    EXPECT_EQ(errorOf(std::string(199, '-') + "p"), "");
}

TEST(RuleLanguage, ConstantsReadBackToTheSameDouble) {
    std::mt19937_64 random(7);
    std::vector<double> values = {0.1, 1.0 / 3, 2.5e-300, 1.7976931348623157e308, 4.9e-324, 123456789.123456789};
    for (int i = 0; i < 2000; ++i) {
        std::uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value)) values.push_back(std::fabs(value));
    }
    for (const double value : values) {
        const Tree tree{{constant(value)}};
        const Tree fromInfix = rules::parseInfix(rules::toInfix(tree, kSingle), kSingle);
        ASSERT_EQ(fromInfix.size(), 1) << rules::toInfix(tree, kSingle);
        EXPECT_EQ(fromInfix.nodes[0].value, value) << rules::toInfix(tree, kSingle);
        const Tree fromXml = rules::fromXml(rules::toXml(tree, kSingle), kSingle);
        EXPECT_TRUE(fromXml == tree) << rules::toXml(tree, kSingle);
    }
}

TEST(RuleXml, OneLineFormWithSizeAndDepth) {
    const Tree tree = rules::parseInfix("w / (p + wait) * exp(-2.5)", kSingle);
    EXPECT_EQ(rules::toXml(tree, kSingle),
              "<Genotype type=\"gptree\" size=\"9\" depth=\"4\"><Primit name=\"*\"><Primit name=\"/\">"
              "<Primit name=\"w\"/><Primit name=\"+\"><Primit name=\"p\"/><Primit name=\"wait\"/></Primit></Primit>"
              "<Primit name=\"exp\"><Primit name=\"neg\"><Primit name=\"const\" value=\"2.5\"/></Primit></Primit>"
              "</Primit></Genotype>");
}

TEST(RuleXml, InfixXmlInfixAndXmlTreeXmlRoundTripExactly) {
    const char* const canonicalRules[] = {
        "w / (p + wait)",
        "-d",
        "w / (p + wait) * exp(-pos(d - (p + wait) - t) / (2 * K))",
        "max(p, min(d - t, 0.125)) + pos(exp(-K / pmean)) - --succ",
        "p - (d - t) / (w * (r + s)) + v * L - SP / smean",
        "(-3) * p",  // a negative constant, written as the value it is
    };
    for (const char* text : canonicalRules) {
        const Tree tree = rules::parseInfix(text, kSingle);
        const std::string xml = rules::toXml(tree, kSingle);
        const Tree back = rules::fromXml(xml, kSingle);
        EXPECT_EQ(rules::toInfix(back, kSingle), std::string(text) == "(-3) * p" ? "-3 * p" : text);
        EXPECT_EQ(rules::toXml(back, kSingle), xml);
    }
    // A tree with a negative constant is kept by the XML form as it is.
    const Tree negative{{op(Primitive::Mul), constant(-3), term(Terminal::Processing)}};
    EXPECT_TRUE(rules::fromXml(rules::toXml(negative, kSingle), kSingle) == negative);
    EXPECT_EQ(rules::toInfix(negative, kSingle), "(-3) * p");
}

TEST(RuleXml, MalformedTreesAreNamedByTheirPlace) {
    EXPECT_EQ(xmlErrorOf("<Genotype><Primit name=\"/\"><Primit name=\"w\"/></Primit></Genotype>"),
              "character 11: \"/\" takes 2 argument(s), but 1 are given");
    EXPECT_EQ(xmlErrorOf("<Genotype><Primit name=\"q\"/></Genotype>"),
              "character 11: unknown primitive \"q\"; expected an operator (+ - * / neg max min pos exp), \"const\" or "
              "a terminal of the single-machine environment");
    EXPECT_EQ(xmlErrorOf("<Genotype><Primit name=\"const\" value=\"1x\"/></Genotype>"),
              "character 11: the constant's value \"1x\" is not a finite number");
    EXPECT_EQ(xmlErrorOf("<Genotype><Primit name=\"const\" value=\"inf\"/></Genotype>"),
              "character 11: the constant's value \"inf\" is not a finite number");
    EXPECT_EQ(xmlErrorOf("<Genotype size=\"2\"><Primit name=\"p\"/></Genotype>"),
              "character 1: the size attribute says \"2\", but the tree's size is 1");
    EXPECT_EQ(xmlErrorOf("<Genotype></Genotype>"),
              "character 1: the <Genotype> holds no <Primit>; expected the rule's root");
    EXPECT_EQ(xmlErrorOf("<Genotype><Primit name=\"p\"/><Primit name=\"d\"/></Genotype>"),
              "character 29: a second element where the tree should stand alone");
    EXPECT_EQ(xmlErrorOf("<Tree/>"), "no <Genotype> element; expected the rule's tree");
    EXPECT_EQ(xmlErrorOf("<Genotype><Primit"), "character 17: Error parsing start element tag");
    std::string deep = "<Genotype>";
    for (int i = 0; i < 300; ++i) deep += "<Primit name=\"neg\">";
    deep += "<Primit name=\"p\"/>";
    for (int i = 0; i < 300; ++i) deep += "</Primit>";
    deep += "</Genotype>";
    EXPECT_NE(xmlErrorOf(deep).find("deeper than 200 levels"), std::string::npos);
}

TEST(RuleXml, SeedFilesNameThemselvesWhenTheyHoldNoRule) {
    testing_support::TempDir dir;
    const auto errorReading = [&](const std::string& content) {
        dir.write("seed.obm", content);
        try {
            rules::readSeedFile(dir.file("seed.obm"), kSingle);
        } catch (const RuleError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
    const std::string named = "Seed file \"" + dir.file("seed.obm") + "\": ";
    EXPECT_EQ(errorReading("p + d"), named + "is not XML (character 6: No document element found).");
    EXPECT_EQ(errorReading("<Beagle><Seeds></Seeds></Beagle>"),
              named + "holds no individual (<Beagle><Seeds><Individual>).");
    EXPECT_EQ(errorReading("<Beagle><Seeds><Individual>\n<Genotype><Primit name=\"x\"/></Genotype>\n</Individual>"
                           "</Seeds></Beagle>"),
              named +
                  "the individual's rule: character 39: unknown primitive \"x\"; expected an operator (+ - * / "
                  "neg max min pos exp), \"const\" or a terminal of the single-machine environment");
    EXPECT_EQ(errorReading("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Beagle>\n<Seeds>\n<Individual>\n" +
                           rules::toXml(rules::parseInfix("-d", kSingle), kSingle) +
                           "\n</Individual>\n</Seeds>\n</Beagle>\n"),
              "");
    try {
        rules::readSeedFile(dir.file("absent.obm"), kSingle);
        ADD_FAILURE() << "a missing seed file was read";
    } catch (const RuleError& error) {
        EXPECT_EQ(std::string(error.what()), "Seed file \"" + dir.file("absent.obm") + "\": cannot be read.");
    }
}

// Equal trees share a hash, trees that differ in a terminal, an operator or a constant's bits do
// not, and a lookup by hash still compares the trees it finds.
TEST(TreeHash, TellsTreesApartAndLookupsCompareThem) {
    const auto hashOf = [](const char* text) { return rules::hashOf(rules::parseInfix(text, kSingle)); };
    EXPECT_EQ(hashOf("w / (p + 0.5)"), hashOf("w / (p + 0.5)"));
    for (const char* other : {"d / (p + 0.5)", "w * (p + 0.5)", "w / (p + 0.25)", "w / (p + 0.5) + 0"})
        EXPECT_NE(hashOf("w / (p + 0.5)"), hashOf(other)) << other;
    const Tree zero{{Node{Primitive::Constant, Terminal::Processing, 0.0}}};
    const Tree negativeZero{{Node{Primitive::Constant, Terminal::Processing, -0.0}}};
    EXPECT_NE(rules::hashOf(zero), rules::hashOf(negativeZero));

    const std::vector<Tree> trees = {rules::parseInfix("p", kSingle), rules::parseInfix("d", kSingle)};
    const std::unordered_multimap<std::uint64_t, std::size_t> filed = {{7, 0}, {7, 1}};  // one hash for both
    const auto treeOf = [&](std::size_t i) -> const Tree& { return trees[i]; };
    EXPECT_EQ(*rules::findTree(filed, 7, trees[1], treeOf), 1u);
    EXPECT_EQ(rules::findTree(filed, 7, rules::parseInfix("w", kSingle), treeOf), nullptr);
}
