#pragma once

// The learner's command line in one place, for `learner` itself and for the programs that start
// learner runs and check their options first (experiment), so that both accept and refuse the
// same options in the same words.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "learner/settings.h"
#include "learner/rule_test.h"

namespace learner_options {

struct Request {
    gp::Settings settings;    // the evolution, or the collection the one rule schedules
    rules::RuleSource rule;   // with --rule or --test
    bool oneRule = false;     // schedule with that rule instead of evolving
};

class Parser {
public:
    // The defaults: the seed from the clock, a thread per core.
    Parser();
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Parse a command line whose first word is the program's name, or the options alone. A
    // refusal throws CLI::ParseError (CLI::CallForHelp for --help), as CLI11 does.
    void parse(int argc, const char* const* argv);
    void parse(const std::vector<std::string>& options);

    const Request& request() const { return request_; }
    // Whether the line gave the option (e.g. "--seed").
    bool given(const std::string& option) const;
    // Prints help or a refusal as CLI11 does; returns the exit status.
    int exit(const CLI::Error& error) const { return app_.exit(error); }

private:
    Request request_;
    CLI::App app_;
    CLI::Option* rule_ = nullptr;
    CLI::Option* test_ = nullptr;
};

}  // namespace learner_options
