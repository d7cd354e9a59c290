# Two entry points for a newcomer on a fresh Debian machine:
#   make run   - install what is missing, build, decode a sample log
#   make test  - install what is missing, build, run every test
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
# CI builds with WERROR=ON: every compiler warning fails the build.
WERROR ?= OFF
PACKAGES = cmake make g++ pkg-config zlib1g-dev libisal-dev qtbase5-dev libqcustomplot-dev libjsoncpp-dev \
           libgtest-dev libgmock-dev libbenchmark-dev libcurl4-openssl-dev libsqlite3-dev influxdb curl \
           dosfstools fusefat libhdf5-dev libmatio-dev python3-h5py python3-numpy

.PHONY: all deps configure build run test test-asan fuzz fuzz-build clean screenshots install deb package-check bench

all: build

deps:
	@scripts/install-deps.sh $(PACKAGES)

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DZRL_WERROR=$(WERROR) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Builds only the program and our log writer, not every test and benchmark.
run: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target zrl-decoder zrl-gen
	@scripts/run-sample.sh $(BUILD_DIR)

# The desktop application: program, menu entry, MIME type, icons, man page
# and bash completion under PREFIX (DESTDIR for staged installs).
PREFIX ?= /usr/local
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

# A Debian package of the same files, its run-time dependencies declared:
# `apt install ./build/zrl-decoder_*.deb`.
deb: build
	@scripts/install-deps.sh dpkg-dev file
	@cd $(BUILD_DIR) && cpack -G DEB > /dev/null && ls -1 $$(pwd)/zrl-decoder_*.deb

# Checks what `install` and `deb` produce: the menu entry, the man page, the
# package's contents and dependencies.
package-check: deb
	@scripts/install-deps.sh desktop-file-utils man-db groff-base shared-mime-info
	@scripts/check-package.sh $(BUILD_DIR)

# The program and every test under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRL_SANITIZE=ON -DZRL_WERROR=$(WERROR) \
	       -DZRL_BUILD_SHELL=ON -DZRL_BUILD_BENCH=OFF > /dev/null
	@cmake --build build-asan -j $(JOBS)
	@scripts/run-asan-tests.sh build-asan $(JOBS)

# libFuzzer targets (clang). FUZZ_SECONDS per target, on the seed corpus
# that our writer makes; findings land in build-fuzz/findings/.
FUZZ_SECONDS ?= 30
fuzz-build: deps
	@scripts/install-deps.sh clang libclang-rt-14-dev
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	       -DZRL_FUZZ=ON -DZRL_BUILD_BENCH=OFF > /dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz-all

fuzz: fuzz-build
	@scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

# Decode speed on the reference log against zlib alone (a few minutes; not
# part of the tests).
bench: configure
	@bench/run-reference.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz

# Renders the main window (sample log, a few variables checked, an alias and
# two conditions), the window with the preview open (also at 1280x800,
# 1366x768 and 1920x1080, and zoomed with the cursor), the window after a
# failed decode, after a failed load of a cut log and with three queued logs
# decoded, and the About dialog to PNG
# files in $(BUILD_DIR)/screenshots.
screenshots: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target ui_tests zrl-gen zrl-decoder
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen tests/ui_tests --gtest_also_run_disabled_tests \
	    --gtest_filter='Screenshots.DISABLED_*'
