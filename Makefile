# The two commands of the README: `make run` and `make test`. Both set up the machine first.
PRESET ?= default
JOBS ?= $(shell nproc)
# `make install` puts Tressel here (DESTDIR=... in the environment stages it elsewhere first).
PREFIX ?= /usr/local

.PHONY: setup configure build run test test-sanitize test-core fuzz install package check-install clean

setup:
	@bash scripts/install-deps.sh

configure: setup
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

# Opens the demo recording with the 50 Hz hum filter, ready for Apply Filter.
run: build
	./build/$(PRESET)/bin/tressel build/$(PRESET)/examples/demo-speech.wav examples/filters/hum-50hz.txt

test: build
	ctest --preset $(PRESET) -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize:
	@$(MAKE) --no-print-directory test PRESET=sanitize

# The core and the command-line tool alone, proving they build without Qt.
test-core:
	@$(MAKE) --no-print-directory test PRESET=core

# Every libFuzzer harness for a bounded time (FUZZ_SECONDS each, default 38) under both sanitizers.
fuzz: setup
	@bash scripts/fuzz.sh

install: build
	cmake --install build/$(PRESET) --prefix $(PREFIX)

# A Debian package of the build, build/$(PRESET)/tressel_VERSION_ARCH.deb, for `apt install ./tressel_*.deb`.
package: build
	cmake --build build/$(PRESET) --target package

# Installs into a staging folder and as a package, runs the installed programs, removes the package again.
check-install: build
	@bash scripts/check-install.sh build/$(PRESET)

clean:
	rm -rf build
