# The two commands of the README: `make demo` and `make test`.
BUILD ?= build
GEN   ?= Ninja
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build test demo bench clean

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
