# Two entry points for a fresh machine: `make demo` runs the programs on the bundled
# examples, `make test` builds and runs the whole test suite. Each first installs the Debian
# packages it needs (scripts/install-deps), or names them with the apt-get line to run.
BUILD ?= build
PROGRAMS := fitness generator pomocni learner report experiment
DEMO := $(BUILD)/demo
DEMO_RULE := w / (p + wait) * exp(-pos(d - (p + wait) - t) / (2 * K))
# The learning example: a short run (the defaults take a minute or so) and its test through pomocni.
LEARN_ARGS ?= --seed 1 --population 100 --generations 8
# A short experiment on the same collections: its runs, then the learner options after "--".
EXPERIMENT_ARGS ?= --runs 3 -- --population 100 --generations 8
# The example folder whose evaluation `make demo` reports on and `make screenshot` shows.
REPORT_EXAMPLE ?= learning/test
REPORT_ARGS ?= --sets 0 --log ../train/learner_log.csv --experiment ../experiment
CHROMIUM ?= chromium

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := matrix_reader_fuzz definition_reader_fuzz evaluator_run_fuzz rule_reader_fuzz

.PHONY: all configure programs demo test fuzz bench clean screenshot

all: configure
	cmake --build $(BUILD) -j2

configure:
	@scripts/install-deps build
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

# The demo needs the six programs only; the tests and benchmarks wait for make test.
programs: configure
	cmake --build $(BUILD) -j2 --target $(PROGRAMS)

# Every example runs in its own scratch copy under build/, so the checkout stays clean.
demo: programs
	@rm -rf $(DEMO) && mkdir -p $(DEMO)
	@for name in single uniform unrelated jobshop; do \
	  cp -r examples/$$name $(DEMO)/$$name; \
	  echo "==== fitness on examples/$$name"; \
	  (cd $(DEMO)/$$name && ../../fitness summary.txt) || exit 1; \
	done
	@cp -r examples/generated $(DEMO)/generated
	@echo "==== generator --seed 2024 on examples/generated, then fitness"
	@cd $(DEMO)/generated && ../../generator --seed 2024 && ../../fitness summary.txt
	@echo "==== learner --rule on the generated sets: R&M written as an expression, then fitness measures it"
	@cd $(DEMO)/generated && ../../learner --rule "$(DEMO_RULE)" && ../../fitness summary.txt
	@cp -r examples/learning $(DEMO)/learning
	@echo "==== examples/learning: generator draws the training (seed 1) and test (seed 2) collections"
	@cd $(DEMO)/learning/train && ../../../generator --seed 1 >/dev/null
	@cd $(DEMO)/learning/test && ../../../generator --seed 2 >/dev/null
	@echo "==== learner $(LEARN_ARGS) evolves rules on the training collection"
	@cd $(DEMO)/learning/train && ../../../learner $(LEARN_ARGS)
	@echo "==== pomocni takes the last generation's rule: learner --test on the test collection, then fitness"
	@cd $(DEMO)/learning/test && printf '%s\n' ../train/learner_hof.txt '' '../../../learner --test seed.obm' \
	  '../../../fitness summary.txt' '' '' '' -1 | ../../../pomocni
	@echo
	@echo "==== experiment $(EXPERIMENT_ARGS): seeded runs on the training collection, measured on the test collection"
	@cd $(DEMO)/learning && ../../experiment --train train --test test --out experiment $(EXPERIMENT_ARGS)
	@echo "==== report on examples/$(REPORT_EXAMPLE)"
	@cd $(DEMO)/$(REPORT_EXAMPLE) && ../../../report $(REPORT_ARGS)
	@echo "Open $(abspath $(DEMO)/$(REPORT_EXAMPLE)/report.html) in a browser."

# docs/report.png: the demo's report rendered by headless Chromium (a fresh profile, no network).
screenshot: demo
	@scripts/install-deps browser
	@profile=$$(mktemp -d) && \
	timeout -k 5 120 $(CHROMIUM) --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
	  --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
	  --user-data-dir=$$profile --window-size=1100,1900 --screenshot=$(abspath docs/report.png) \
	  file://$(abspath $(DEMO)/$(REPORT_EXAMPLE)/report.html) 2>/dev/null; \
	status=$$?; rm -rf $$profile; exit $$status
	@echo "Wrote docs/report.png from examples/$(REPORT_EXAMPLE)."

# ctest's summary names the skipped tests; skipped-tests adds the reason each one gave.
test: all
	@cd $(BUILD) && { ctest --output-on-failure -j2; status=$$?; $(CURDIR)/scripts/skipped-tests .; exit $$status; }

# Builds the libFuzzer targets with clang in their own folder and runs each for FUZZ_SECONDS,
# seeded from the examples. The corpus grows across runs in $(FUZZ_BUILD)/corpus; a crash, leak,
# hang or sanitizer report stops with the input saved in $(FUZZ_BUILD)/findings. The targets move
# into a private temporary folder, so every path handed to them is absolute.
fuzz:
	@scripts/install-deps build fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON \
	  -DBUILD_TESTING=OFF -DBUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j2 --target $(FUZZ_TARGETS)
	@set -e; root=$(abspath $(FUZZ_BUILD)); mkdir -p $$root/findings; \
	for target in $(FUZZ_TARGETS); do \
	  rm -rf $$root/seeds/$$target && fuzz/seeds.sh $$target $$root/seeds/$$target; \
	  mkdir -p $$root/corpus/$$target; \
	  echo "==== $$target for $(FUZZ_SECONDS) s"; \
	  $$root/$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 -max_len=8192 -print_final_stats=1 \
	    -artifact_prefix=$$root/findings/$$target- $$root/corpus/$$target $$root/seeds/$$target 2>$$root/$$target.log \
	    || { tail -n 60 $$root/$$target.log; exit 1; }; \
	  grep -E '^stat::number_of_executed_units|^Done' $$root/$$target.log; \
	done

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
