# The two commands of the README:
#   make run    installs what is missing, builds, and starts Zorvane
#   make test   installs what is missing, builds, and runs every test
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build test test-sanitized run bench package format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory test-sanitized

# The converter parses untrusted files: its tests run again under ASan and UBSan.
test-sanitized: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZORVANE_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS) --target tst_converter
	cd $(ASAN_BUILD) && ctest --output-on-failure -L converter

run: build
	@scripts/run-zorvane $(BUILD)/bin/zorvane

bench: configure
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	@bench/run $(BUILD)

# The Debian package, $(BUILD)/zorvane_1.0_amd64.deb: sudo apt install ./$(BUILD)/zorvane_1.0_amd64.deb
package: build
	cd $(BUILD) && cpack -G DEB

# Rewrites every C++ file on the style of .clang-format; ctest's format_check
# fails while one is off it.
format: deps
	@scripts/format

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
