# Two entry points for a newcomer on a fresh Debian machine:
#   make run   - install what is missing, build, decode a sample log
#   make test  - install what is missing, build, run every test
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
PACKAGES = cmake make g++ pkg-config zlib1g-dev qtbase5-dev libjsoncpp-dev \
           libgtest-dev libgmock-dev libbenchmark-dev

.PHONY: all deps configure build run test clean screenshots

all: build

deps:
	@scripts/install-deps.sh $(PACKAGES)

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	@scripts/run-sample.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)

# Renders the main window (sample log, a few variables checked, an alias and
# two conditions) and the About dialog to PNG files in $(BUILD_DIR)/screenshots.
screenshots: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target ui_tests zrl-gen zrl-decoder
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen tests/ui_tests --gtest_also_run_disabled_tests \
	    --gtest_filter='Screenshots.DISABLED_RenderWindowAndAbout'
