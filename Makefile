# The commands a person types. `make test` sets up a fresh Debian machine (packages,
# cross-built libcurl and cJSON), builds the three builds and runs every test.
SHELL := /bin/bash
.SHELLFLAGS := -eu -o pipefail -c
.DEFAULT_GOAL := test

ROOT    := $(CURDIR)
BUILD   := $(ROOT)/build
JOBS    ?= $(shell nproc)
CMAKE_G := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_SECONDS ?= 60

.PHONY: test demo setup deps native win64 win32 tsan test-tsan fuzz bench screenshots clean

setup:
	tools/setup/install-packages.sh

# Cross-built dependencies, cached outside the tree (a second run only prints the prefix).
deps: setup
	tools/setup/build-deps.sh x86_64-w64-mingw32 >/dev/null
	tools/setup/build-deps.sh i686-w64-mingw32 >/dev/null

native: setup
	cmake -S . -B $(BUILD)/native $(CMAKE_G) -DORB_SANITIZE=ON >/dev/null
	cmake --build $(BUILD)/native -j $(JOBS)

win64: deps
	cmake -S . -B $(BUILD)/win64 $(CMAKE_G) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
	  -DORB_DEPS_PREFIX="$$(tools/setup/build-deps.sh x86_64-w64-mingw32)" >/dev/null
	cmake --build $(BUILD)/win64 -j $(JOBS)

# The shipping build: compiled and linked here, run only on real 32-bit capable Windows.
win32: deps
	cmake -S . -B $(BUILD)/win32 $(CMAKE_G) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake \
	  -DORB_TESTS=OFF -DORB_DEPS_PREFIX="$$(tools/setup/build-deps.sh i686-w64-mingw32)" >/dev/null
	cmake --build $(BUILD)/win32 -j $(JOBS)

test: native win64 win32
	@status=0; \
	tools/ci/run-suite.sh native $(BUILD)/native || status=1; \
	tools/ci/run-suite.sh win64 $(BUILD)/win64 wine || status=1; \
	echo "== summary"; \
	for s in native win64; do \
	  grep -h -E '^'$$s': [0-9]+ passed' $(BUILD)/$$s/summary.txt 2>/dev/null || echo "$$s: no results"; \
	  echo "$$s ctest: $$(grep -h -E 'tests passed|tests failed' $(BUILD)/$$s/ctest.log 2>/dev/null | tail -1)"; \
	done; \
	file $(BUILD)/win32/app/*.exe $(BUILD)/win64/app/*.exe | sed 's|$(BUILD)/||'; \
	exit $$status

# Native ThreadSanitizer run of the portable tests.
tsan: setup
	cmake -S . -B $(BUILD)/tsan $(CMAKE_G) -DORB_TSAN=ON >/dev/null
	cmake --build $(BUILD)/tsan -j $(JOBS)
test-tsan: tsan
	tools/ci/run-suite.sh tsan $(BUILD)/tsan

# Runs the program under wine in the win64 build's prefix and shows the log it wrote.
demo: win64 win32
	tools/ci/demo.sh $(BUILD)/win64

# Each libFuzzer target for FUZZ_SECONDS, corpus kept under build/fuzz/corpus.
fuzz: setup
	cmake -S . -B $(BUILD)/fuzz $(CMAKE_G) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DORB_FUZZ=ON -DORB_TESTS=OFF >/dev/null
	cmake --build $(BUILD)/fuzz -j $(JOBS) --target fuzz_xml_doc fuzz_xml_utf8 fuzz_skin_zip fuzz_resume_record fuzz_runtime_reply fuzz_analytics_staging fuzz_tracking_relay
	tools/ci/run-fuzz.sh $(BUILD)/fuzz $(FUZZ_SECONDS) fuzz_xml_doc fuzz_xml_utf8 fuzz_skin_zip fuzz_resume_record fuzz_runtime_reply fuzz_analytics_staging fuzz_tracking_relay

# orbget against aria2c and curl over a local nginx (1 GiB); prints figures, asserts nothing.
bench: setup
	bench/download

# Every layout of the skin built into a real window under wine: build/screenshots/<layout>.png.
screenshots: win64
	ui/skin/tools/screenshots.sh $(BUILD)/win64 $(BUILD)/screenshots

clean:
	rm -rf $(BUILD)
