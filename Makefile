# The two commands of the README: `make demo` and `make test`.
BUILD ?= build
GEN   ?= Ninja
JOBS  ?= $(shell nproc)
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
WIN64_BUILD ?= build-win64
WIN32_BUILD ?= build-win32
PACKAGE_DIR ?= build-package

.PHONY: all deps configure build test demo bench clean test-sanitize test-asan test-tsan fuzz fuzz-regress windows-deps windows windows32 test-windows package-windows

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G $(GEN) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Only what the demo station needs. Ctrl-C also reaches make, which then reports its own
# interruption; run-demo prints the launcher's status before that.
demo: configure
	@cmake --build $(BUILD) -j $(JOBS) --target VXLauncher vxpack vx_demo_station
	@demo/run-demo $(BUILD)

bench: build
	@bench/run-all $(BUILD)

clean:
	rm -rf $(BUILD)

# The whole test suite under AddressSanitizer with UndefinedBehaviorSanitizer, then under
# ThreadSanitizer; fails on any failing test or sanitizer report (.ci/run-sanitized).
test-sanitize: test-asan test-tsan

test-asan: deps
	@.ci/run-sanitized address,undefined $(ASAN_BUILD)

test-tsan: deps
	@.ci/run-sanitized thread $(TSAN_BUILD)

# libFuzzer targets built with clang in build-fuzz: `make fuzz` runs each for FUZZ_SECONDS
# (default 60), `make fuzz-regress` runs each over its committed corpus only.
fuzz:
	@VX_WITH_FUZZ=1 scripts/install-deps
	@fuzz/run-fuzz $(FUZZ_BUILD) run

fuzz-regress:
	@VX_WITH_FUZZ=1 scripts/install-deps
	@fuzz/run-fuzz $(FUZZ_BUILD) regress

# The libraries built for 64-bit Windows from Debian's source packages, into a prefix outside
# the clone (${VX_WINDOWS_DEPS:-$HOME/.cache/vx-windows-deps}/x86_64/prefix); does nothing
# when its stamp matches. `scripts/build-windows-deps i686` does the same for 32-bit.
windows-deps:
	@scripts/build-windows-deps x86_64

# VXLauncher.exe, VXPack.exe and the demo station's program for 64-bit (windows) and 32-bit
# (windows32) Windows, static, needing no DLL beside them at load time (python3.dll is loaded
# when the station script runs). The 64-bit build directory also holds the tests.
# $(call windows_build,ARCH,BUILD_DIR,TESTS)
define windows_build
	@scripts/build-windows-deps $(1)
	@cmake -S . -B $(2) -G $(GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-$(1).cmake \
		-DVX_BUILD_TESTS=$(3) -DVX_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(2) -j $(JOBS) --target VXLauncher vxpack vx_demo_station
	@scripts/check-windows-imports $(2)/bin $(1)-w64-mingw32-objdump
endef

windows:
	$(call windows_build,x86_64,$(WIN64_BUILD),ON)

windows32:
	$(call windows_build,i686,$(WIN32_BUILD),OFF)

# The whole test suite of the 64-bit build under wine64 (scripts/test-windows).
test-windows: windows
	@cmake --build $(WIN64_BUILD) -j $(JOBS)
	@scripts/test-windows $(WIN64_BUILD)

# The release zip for Windows: both executables of each architecture, the README's section on
# running a station, docs/bad-input.md and the station author's guide (scripts/package-windows).
package-windows: windows windows32
	@scripts/package-windows $(WIN64_BUILD) $(WIN32_BUILD) $(PACKAGE_DIR)
