# The two commands a newcomer needs (both install what they need first):
#   make run    build the editor and start it (on a private Xvfb when there is no display)
#   make test   build everything and run every test
# and for Windows:
#   make windows  cross-build tilvane.exe, qiltool.exe, the music and their tests with MinGW-w64
#                 into build/windows, pack build/windows/tilvane-tools-VERSION-win64.zip and
#                 build the installer build/windows/tilvane-VERSION-x64.msi
#                 (scripts/windows-ci then runs the tests under Wine)
BUILD_DIR ?= build/release
WINDOWS_DIR ?= build/windows
JOBS ?= 2

.PHONY: run test build configure deps bench clean windows

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

# qiltool for this machine, built beside the Windows one from the same core,
# is what the Windows tests compare qiltool.exe with; tunetool for this
# machine lists the stream buffers the Windows MIDI output must queue,
# make_app_icon for this machine draws tilvane.exe's icon, and its drag source
# drops files on the Windows editor in the walkthrough under Wine.
windows: deps
	@cmake -S . -B $(WINDOWS_DIR)/linux -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILVANE_BUILD_EDITOR=OFF \
	  -DTILVANE_BUILD_MUSIC=ON -DTILVANE_BUILD_TESTS=OFF -DTILVANE_BUILD_BENCH=OFF -DTILVANE_BUILD_DRAG_SOURCE=ON >/dev/null
	@cmake --build $(WINDOWS_DIR)/linux -j $(JOBS) --target qiltool tunetool make_app_icon drag_source
	@cmake -S . -B $(WINDOWS_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DTILVANE_LINUX_QILTOOL=$(abspath $(WINDOWS_DIR))/linux/tools/qiltool/qiltool \
	  -DTILVANE_LINUX_TUNETOOL=$(abspath $(WINDOWS_DIR))/linux/tools/tunetool/tunetool \
	  -DTILVANE_LINUX_MAKE_APP_ICON=$(abspath $(WINDOWS_DIR))/linux/make_app_icon \
	  -DTILVANE_LINUX_DRAG_SOURCE=$(abspath $(WINDOWS_DIR))/linux/drag_source >/dev/null
	@cmake --build $(WINDOWS_DIR) -j $(JOBS)

bench: build
	@scripts/bench $(BUILD_DIR)

clean:
	rm -rf build
