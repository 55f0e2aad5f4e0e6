# Two entry points for a fresh machine: `make demo` runs the programs on the bundled
# examples, `make test` builds and runs the whole test suite.
BUILD ?= build
DEMO := $(BUILD)/demo

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := matrix_reader_fuzz definition_reader_fuzz evaluator_run_fuzz

.PHONY: all demo test fuzz bench clean

all:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j2

# Every example runs in its own scratch copy under build/, so the checkout stays clean.
demo: all
	@rm -rf $(DEMO) && mkdir -p $(DEMO)
	@for example in examples/*/; do \
	  name=$$(basename $$example); \
	  [ $$name != generated ] || continue; \
	  cp -r $$example $(DEMO)/$$name; \
	  echo "==== fitness on examples/$$name"; \
	  (cd $(DEMO)/$$name && ../../fitness summary.txt) || exit 1; \
	done
	@cp -r examples/generated $(DEMO)/generated
	@echo "==== generator --seed 2024 on examples/generated, then fitness"
	@cd $(DEMO)/generated && ../../generator --seed 2024 && ../../fitness summary.txt

test: all
	cd $(BUILD) && ctest --output-on-failure -j2

# Builds the libFuzzer targets with clang in their own folder and runs each for FUZZ_SECONDS,
# seeded from the examples. The corpus grows across runs in $(FUZZ_BUILD)/corpus; a crash, leak,
# hang or sanitizer report stops with the input saved in $(FUZZ_BUILD)/findings. The targets move
# into a private temporary folder, so every path handed to them is absolute.
fuzz:
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
