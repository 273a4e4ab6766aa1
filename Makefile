# The two commands of the README: `make demo` and `make test`.
BUILD ?= build
GEN   ?= Ninja
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build test demo bench clean test-sanitize test-asan test-tsan fuzz fuzz-regress

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G $(GEN) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@demo/run-demo $(BUILD)

bench: build
	@bench/run-all $(BUILD)

clean:
	rm -rf $(BUILD)

# The whole test suite under AddressSanitizer with UndefinedBehaviorSanitizer, then under
# ThreadSanitizer; fails on any failing test or sanitizer report (.ci/run-sanitized).
test-sanitize: test-asan test-tsan

test-asan: deps
	@.ci/run-sanitized address,undefined build-asan

test-tsan: deps
	@.ci/run-sanitized thread build-tsan

# libFuzzer targets built with clang in build-fuzz: `make fuzz` runs each for FUZZ_SECONDS
# (default 60), `make fuzz-regress` runs each over its committed corpus only.
fuzz:
	@VX_WITH_FUZZ=1 scripts/install-deps
	@fuzz/run-fuzz build-fuzz run

fuzz-regress:
	@VX_WITH_FUZZ=1 scripts/install-deps
	@fuzz/run-fuzz build-fuzz regress
