# Two entry points for a fresh machine: `make demo` runs the programs on the bundled
# examples, `make test` builds and runs the whole test suite.
BUILD ?= build
DEMO := $(BUILD)/demo
DEMO_RULE := w / (p + wait) * exp(-pos(d - (p + wait) - t) / (2 * K))

.PHONY: all demo test bench clean

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
	@echo "==== learner --rule on the generated sets: R&M written as an expression, then fitness measures it"
	@cd $(DEMO)/generated && ../../learner --rule "$(DEMO_RULE)" && ../../fitness summary.txt

test: all
	cd $(BUILD) && ctest --output-on-failure -j2

clean:
	rm -rf $(BUILD)
