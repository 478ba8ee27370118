# The two commands a newcomer needs (both install what they need first):
#   make run    build the editor and start it (on a private Xvfb when there is no display)
#   make test   build everything and run every test
BUILD_DIR ?= build/release
JOBS ?= 2

.PHONY: run test build configure deps bench clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target tilvane
	@scripts/run $(BUILD_DIR)/tilvane

test: build
	@JOBS=$(JOBS) scripts/run-tests $(BUILD_DIR)

bench: build
	@scripts/bench $(BUILD_DIR)

clean:
	rm -rf build
