# The two commands of the README: `make run` and `make test`. Both set up the machine first.
PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: setup configure build run test test-sanitize test-core fuzz clean

setup:
	@bash scripts/install-deps.sh

configure: setup
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

run: build
	./build/$(PRESET)/bin/tressel

test: build
	ctest --preset $(PRESET) -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize:
	@$(MAKE) --no-print-directory test PRESET=sanitize

# The core and the command-line tool alone, proving they build without Qt.
test-core:
	@$(MAKE) --no-print-directory test PRESET=core

# Every libFuzzer harness for a bounded time (FUZZ_SECONDS each, default 45) under both sanitizers.
fuzz: setup
	@bash scripts/fuzz.sh

clean:
	rm -rf build
