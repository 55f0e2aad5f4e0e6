#pragma once

// The terminals of the rule language, each written once: its name, the environments it serves, how
// a decision's candidates fill its column there (or its value, where the environment fixes it), and
// when a collection makes it the same number at every decision. The parser's and printer's names,
// the compiled rule's loads and the learner's primitive set all derive from these tables, so a new
// terminal goes in one row. There is a table per decision scheme: a list-scheduling decision (a job
// for a machine) and a job-shop decision (a job's next operation for a machine); a new scheme is a
// new decision type with a table of its own.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/names.h"
#include "fitness/collection.h"
#include "fitness/decision.h"
#include "learner/rule_language.h"

namespace rules {

// A set of environments, one bit each.
using Environments = unsigned;
constexpr Environments only(Environment environment) { return 1u << static_cast<int>(environment); }
inline constexpr Environments kListEnvironments =
    only(Environment::Single) | only(Environment::Uniform) | only(Environment::Unrelated);

// Fills out[i] with the terminal's value for candidate jobs[i] of the decision.
template <class Decision>
using Gather = void (*)(const Decision& at, const int* jobs, int count, double* out);

// What a terminal's value changes with while a set is scheduled, so that a compiled rule reads it,
// and computes what depends on it, only as often as it changes: once per set (a set's mean
// processing time), once per job of the set (a due date), once per decision (the time) or for every
// candidate of every decision (the wait). Bits: what changes with the job and with the decision
// changes with the candidate.
enum class Varies : std::uint8_t { PerSet = 0, PerJob = 1, PerMoment = 2, PerCandidate = 3 };
constexpr Varies operator|(Varies a, Varies b) {
    return static_cast<Varies>(static_cast<std::uint8_t>(a) | static_cast<std::uint8_t>(b));
}

// One terminal as read in some environments of a decision scheme.
template <class Decision>
struct TerminalReading {
    Terminal terminal;
    std::string_view name;
    Environments environments;
    Varies varies;                       // a per-set or per-moment value fills one entry, out[0]
    Gather<Decision> gather;             // null where the environment fixes the value ...
    double fixedValue;                   // ... to this number
    bool (*fixedBy)(const Collection&);  // whether a collection fixes it; null: none does
};

std::span<const TerminalReading<ListDecision>> listTerminals();
std::span<const TerminalReading<ShopDecision>> shopTerminals();

// The reading of a terminal in an environment, or null when the environment has no such terminal.
const TerminalReading<ListDecision>* listReading(Terminal terminal, Environment environment);
const TerminalReading<ShopDecision>* shopReading(Terminal terminal, Environment environment);

// The environment's terminals with their names, in the order rules list them.
const std::vector<TerminalName>& terminalsOf(Environment environment);
std::string_view nameOf(Terminal terminal, Environment environment);

// Whether the terminal is the same number at every decision of the collection (a single machine's
// speed, a setup without setup times, ...): a rule would only hold a constant under another name.
bool fixedIn(const Collection& collection, Terminal terminal);

// Whether the terminal reads the set's previous schedule, which only the iterated scheme makes:
// elsewhere it is 0 at every decision.
bool ofPreviousSchedule(Terminal terminal);

}  // namespace rules
