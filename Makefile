# SPDX-License-Identifier: MIT
# Quick start: `make run` plays the game, `make test` runs every test.
#
# The builds are the configure presets of CMakePresets.json: PRESET=default (build/), asan
# (build-asan/), tsan (build-tsan/); `make windows` uses the windows preset and `make fuzz` the
# fuzz preset. BUILD_DIR and CMAKE_FLAGS still override what the preset says.
PRESET ?= default
build_dir_default := build
build_dir_asan := build-asan
build_dir_tsan := build-tsan
BUILD_DIR ?= $(build_dir_$(PRESET))
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
# WERROR=1 turns compiler warnings into errors (CI builds: .ci/run). Off for everyone else, so
# that a newer compiler's new warning never stops a player's `make run`.
WERROR ?= 0
werror_flag := -DQB_WERROR=$(if $(filter 1,$(WERROR)),ON,OFF)
# The Windows build (cross-compiled with mingw-w64) and whether `make test` runs its tests
# under Wine after the Linux ones.
WIN_BUILD_DIR ?= build-win
WINDOWS_TESTS ?= 1
# The browser build (emscripten) and whether `make test` runs its tests in headless Chromium.
WEB_BUILD_DIR ?= build-web
WEB_TESTS ?= 1

.PHONY: all deps configure build run test check analyze clean windows windows-test

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	cmake --preset $(PRESET) -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(werror_flag) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	cd $(BUILD_DIR) && ./quenbrill

test: build check
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	@if [ "$(WINDOWS_TESTS)" = 1 ]; then $(MAKE) windows-test; fi
	@if [ "$(WEB_TESTS)" = 1 ]; then $(MAKE) web-test; fi

# The fast checks of the tree (a few seconds): the house style and .editorconfig, and the
# include graph against the floors (HACKING.md).
check: deps
	scripts/format.sh --check
	scripts/check-layers.sh

# cppcheck and clang-tidy over the game's sources (minutes; CI runs it after `make test`).
analyze: configure
	@scripts/install-deps.sh analyze
	JOBS=$(JOBS) scripts/analyze.sh $(BUILD_DIR)

# build-win/: quenbrill.exe, the tools, ZabroData.arc (made by this machine's generator) and
# quenbrill-windows.zip. Installs the cross compiler and Wine when they are missing.
windows: build
	@scripts/install-deps.sh windows
	cmake --preset windows -B $(WIN_BUILD_DIR) $(werror_flag) \
		-DQB_HOST_MEDIAGEN=$(abspath $(BUILD_DIR))/quenbrill-mediagen
	cmake --build $(WIN_BUILD_DIR) -j $(JOBS)

windows-test: windows
	tests/wine/run-tests.sh $(WIN_BUILD_DIR) -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
	rm -rf $(WIN_BUILD_DIR)
	rm -rf $(WEB_BUILD_DIR)

# build-web/: index.html, quenbrill.js, quenbrill.wasm and quenbrill.data (the archive made by this
# machine's generator). Installs emscripten, its node parts and Chromium when they are missing.
# emcc needs Debian's node modules (acorn) also when another node comes first on the PATH.
WEB_ENV = NODE_PATH=/usr/share/nodejs$${NODE_PATH:+:$$NODE_PATH}
.PHONY: web web-serve web-test
web: build
	@scripts/install-deps.sh web
	$(WEB_ENV) emcmake cmake -S . -B $(WEB_BUILD_DIR) -DCMAKE_BUILD_TYPE=Release \
		-DQB_HOST_BUILD_DIR=$(abspath $(BUILD_DIR))
	$(WEB_ENV) cmake --build $(WEB_BUILD_DIR) -j $(JOBS)

# Serves build-web/ on 127.0.0.1 (a free port, or PORT=8080).
web-serve: web
	scripts/webserve.py $(WEB_BUILD_DIR) $(PORT)

web-test: web
	cd $(WEB_BUILD_DIR) && ctest --output-on-failure

# `make install PREFIX=/opt/quenbrill` (DESTDIR works too); `make package` builds the .deb.
PREFIX ?= /usr/local
.PHONY: install package
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# `make fuzz` builds the libFuzzer targets of tests/fuzz with clang in FUZZ_DIR and runs each
# for FUZZ_SECONDS (all at once); FUZZ_TARGETS picks some of them (wave, binary_model, ...).
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=

.PHONY: fuzz
fuzz:
	@scripts/install-deps.sh fuzz
	cmake --preset fuzz -B $(FUZZ_DIR)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_all
	tests/fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)
