# The two commands of the README:
#   make run    installs what is missing, builds, and starts Zorvane
#   make test   installs what is missing, builds, and runs every test
BUILD        ?= build
ASAN_BUILD   ?= build-asan
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 600
JOBS         := $(shell nproc 2>/dev/null || echo 2)
# ccache finds the objects of another checkout of the same sources: paths
# below this folder are hashed relative to it.
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: all deps configure build test test-sanitized test-fuzz fuzz run bench package format clean \
        windows test-windows

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Ends with the list of test functions and rows that were skipped in either
# build, each with its reason (most need the superuser).
test: build
	@rm -f $(BUILD)/test-logs/*.txt
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory test-sanitized
	@$(MAKE) --no-print-directory test-fuzz
	@scripts/skipped-tests $(BUILD) $(ASAN_BUILD)

# Every unit and offscreen widget test again under ASan and UBSan, leaks
# included; the end-to-end and package tests run the normal build only.
test-sanitized: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZORVANE_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@rm -f $(ASAN_BUILD)/test-logs/*.txt
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS) -LE 'e2e|package|style'

# The converter parses untrusted files: a libFuzzer target (Clang, ASan and
# UBSan) feeds it mutated bitmaps, guided by a dictionary of header fields.
FUZZ_DIR    := tests/converter/fuzz
FUZZER      := $(FUZZ_BUILD)/bmp2jpeg_fuzzer
FUZZ_FLAGS  := -timeout=10 -dict=$(FUZZ_DIR)/bmp.dict -artifact_prefix=$(FUZZ_BUILD)/ -print_final_stats=1

$(FUZZER): converter/Bmp2Jpeg.cpp converter/Bmp2Jpeg.h files/FileLayer.cpp files/FileLayerPosix.cpp \
		files/FileLayer.h $(FUZZ_DIR)/bmp2jpeg_fuzzer.cpp | deps
	@mkdir -p $(FUZZ_BUILD)
	clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Wall -Wextra \
		-Iconverter -Ifiles $(filter %.cpp,$^) $$(pkg-config --cflags --libs libturbojpeg) -o $@

# make test: one minute from the seed corpus alone; a failing input is kept
# as $(FUZZ_BUILD)/crash-* (or leak-*, timeout-*).
test-fuzz: $(FUZZER)
	@rm -rf $(FUZZ_BUILD)/seed-run && mkdir -p $(FUZZ_BUILD)/seed-run
	@echo "fuzzing BmpToJpeg for 60 seconds from $(FUZZ_DIR)/corpus"
	@$(FUZZER) $(FUZZ_FLAGS) -max_total_time=60 $(FUZZ_BUILD)/seed-run $(FUZZ_DIR)/corpus \
		2>$(FUZZ_BUILD)/seed-run.log || { tail -n 60 $(FUZZ_BUILD)/seed-run.log; exit 1; }
	@grep -E 'DONE|^stat::' $(FUZZ_BUILD)/seed-run.log

# As long as asked (make fuzz FUZZ_SECONDS=3600); the inputs found are kept in
# $(FUZZ_BUILD)/corpus for the next run.
fuzz: $(FUZZER)
	@mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZER) $(FUZZ_FLAGS) -max_total_time=$(FUZZ_SECONDS) $(FUZZ_BUILD)/corpus $(FUZZ_DIR)/corpus

run: build
	@scripts/run-zorvane $(BUILD)/bin/zorvane

bench: configure
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	@bench/run $(BUILD)

# The Debian package, $(BUILD)/zorvane_1.0_<arch>.deb (amd64 on a PC):
# sudo apt install ./$(BUILD)/zorvane_1.0_amd64.deb
package: build
	cd $(BUILD) && cpack -G DEB

# Windows x86-64, cross-built with MinGW-w64 against Qt and libjpeg-turbo
# made from Debian's sources (scripts/windows-toolchain, cached under
# ~/.cache/zorvane/windows: 20 to 40 minutes the first time, seconds after):
# the program, its converter Bmp2Jpeg.dll, the test programs and the
# installer $(WIN_BUILD)/Zorvane-1.0-win64.exe.
WIN_BUILD     ?= build-windows
WIN_TOOLCHAIN ?= $(WIN_BUILD)/toolchain
WIN_CONFIGURE := -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=$(abspath $(WIN_TOOLCHAIN))/lib/cmake/Qt6/qt.toolchain.cmake \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE=$(CURDIR)/cmake/MinGW-w64-x86_64.cmake

windows:
	@scripts/windows-toolchain $(WIN_TOOLCHAIN) >/dev/null
	@cmake -S . -B $(WIN_BUILD) $(WIN_CONFIGURE) >/dev/null
	@cmake --build $(WIN_BUILD) -j$(JOBS)
	cd $(WIN_BUILD) && cpack -G NSIS

# The unit and offscreen widget tests under Wine, and the installer's
# scenario under Wine, Xvfb and openbox (README, Windows).
test-windows: windows
	@rm -f $(WIN_BUILD)/test-logs/*.txt
	cd $(WIN_BUILD) && ctest --output-on-failure -j$(JOBS)

# Rewrites every C++ file on the style of .clang-format; ctest's format_check
# fails while one is off it.
format: deps
	@scripts/format

# The Windows toolchain stays in its cache (~/.cache/zorvane/windows).
clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD)
