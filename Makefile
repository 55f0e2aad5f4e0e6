# Two entry points for a fresh machine: `make demo` runs the programs on the bundled
# examples, `make test` builds and runs the whole test suite.
BUILD ?= build
DEMO := $(BUILD)/demo

.PHONY: all demo test bench clean

all:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j2

# Every example runs in its own scratch copy under build/, so the checkout stays clean.
demo: all
	@rm -rf $(DEMO) && mkdir -p $(DEMO)
	@for example in examples/*/; do \
	  name=$$(basename $$example); \
	  [ -f $$example/raspored_GP.txt ] || continue; \
	  cp -r $$example $(DEMO)/$$name; \
	  echo "==== fitness on examples/$$name"; \
	  (cd $(DEMO)/$$name && ../../fitness summary.txt) || exit 1; \
	done

test: all
	cd $(BUILD) && ctest --output-on-failure -j2

clean:
	rm -rf $(BUILD)
