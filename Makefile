# Brovask front door. `make run` builds the game and plays, `make build`
# builds the game and its tools, `make test` builds and runs every test,
# `make bench` measures the music player, `make asan` runs every test with
# the address and undefined-behaviour sanitizers, `make install` installs
# what `make build` made (PREFIX, default /usr/local; DESTDIR honoured),
# `make uninstall` removes it again and `make deb` builds the Debian package.
# `make windows` cross-builds the game for 64-bit Windows into build-windows/
# (Brovask/ and the zip) and `make test-windows` tests it under wine.
# `make web` builds the browser version into build-web/ (Brovask/ and the
# zip), `make play-web` serves it on 127.0.0.1 and `make test-web` tests it
# in headless Chromium.
# `make check-reproducible` builds the package and the zip twice and compares.
# Each installs the Debian packages it lacks first, and only those it needs.
BUILD ?= build
ASAN_BUILD ?= build-asan
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release
# Builds of one commit give the same bytes: every date in what they make
# (the packages' entries, the changelog, the Windows programs' headers) is
# the last commit's, or outside git the release date in CMakeLists.txt.
ifndef SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH := $(shell git log -1 --format=%ct 2>/dev/null || \
  date -u -d $$(sed -n 's/^set(BROVASK_RELEASE_DATE \(.*\))/\1/p' CMakeLists.txt) +%s)
endif
export SOURCE_DATE_EPOCH

# A new build folder starts without the tests; `make test` adds them, and
# later configures keep whatever the folder has.
CONFIGURE = if [ -f $(BUILD)/CMakeCache.txt ]; then cmake -S . -B $(BUILD) $(CMAKE_FLAGS); \
            else cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DBUILD_TESTING=OFF; fi

WIN_BUILD ?= build-windows
# Where SDL2 and libpng are cross-built, and what to build (default: all).
WIN_DEPS ?= $(WIN_BUILD)/deps
WIN_TARGETS ?=
# The generators and their data files: all the Windows build needs of Linux.
HOST_TARGETS ?= brovask_art_pack brovask_font sound_pak brovask_icon xmrender
# What the wine tests compare with: the Linux game, engine and tools.
HOST_TEST_TARGETS ?= brovask halvex capture_check

.PHONY: all deps build run test asan bench fuzz install uninstall deb clean windows test-windows web play-web test-web check-reproducible

all: build

deps:
	@bash tools/deps.sh play

build: deps
	@$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS)

# Only the game and its data: no tests, no tools.
run: deps
	@$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target brovask_play
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display found: Brovask needs a desktop session (see README, 'Playing without a display')." >&2; exit 1; fi
	$(BUILD)/brovask

# The last line says why tests were skipped, if any were.
test:
	@bash tools/deps.sh test
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j $(JOBS)
	@$(MAKE) --no-print-directory deb
	@cd $(BUILD) && { ctest --output-on-failure -j $(JOBS); echo $$? >ctest-status.txt; } | tee ctest-output.txt; \
	  bash $(CURDIR)/tools/skipped_tests.sh $(CURDIR)/$(BUILD); exit $$(cat ctest-status.txt)

# Leaks are not reported: the game keeps its resources for the whole run by
# design, and SDL and the X libraries keep theirs until exit.
asan:
	@bash tools/deps.sh test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBROVASK_SANITIZE=ON -DBUILD_TESTING=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

# Installs the build as it is: under sudo the build folder is brought up to
# date by its owner, never rebuilt by root (tools/install.sh).
install:
	@if [ ! -f $(BUILD)/CMakeCache.txt ]; then $(MAKE) --no-print-directory build; fi
	@DESTDIR="$(DESTDIR)" bash tools/install.sh $(BUILD) $(PREFIX)

uninstall:
	@DESTDIR="$(DESTDIR)" bash tools/uninstall.sh $(BUILD)

# build-deb/brovask_VERSION_ARCH.deb, from the install rules, in a build of
# its own: release flags, no tests. CPack gives the package's three parts
# the modes of its own files, so it runs with the usual umask.
DEB_BUILD ?= build-deb
deb:
	@bash tools/deps.sh deb
	cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(DEB_BUILD) -j $(JOBS) --target brovask_installable
	cd $(DEB_BUILD) && umask 022 && cpack -G DEB

bench:
	@bash tools/deps.sh test
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DBUILD_TESTING=ON
	@if [ -x bench/run.sh ]; then bash bench/run.sh $(BUILD); else echo "no benchmarks yet"; fi
	@if [ -x $(WIN_BUILD)/Brovask/xmrender.exe ]; then bash bench/wine_ratio.sh $(BUILD) $(WIN_BUILD); \
	  else echo "xmrender.exe under wine: not built (make windows)"; fi
	@if [ -f $(WEB_BUILD)/cmake/xmrender.js ]; then bash bench/node_ratio.sh $(BUILD) $(WEB_BUILD); \
	  else echo "xmrender under node: not built (make web)"; fi

# Windows: SDL2 and libpng from Debian's sources (tools/windows_deps.sh), the
# data files from the Linux build's generators, the rest cross-compiled.
windows:
	@bash tools/deps.sh windows
	@$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target $(HOST_TARGETS)
	JOBS=$(JOBS) bash tools/windows_deps.sh $(WIN_DEPS)
	cmake -S . -B $(WIN_BUILD)/cmake -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(abspath cmake/mingw-w64.cmake) \
	  -DBROVASK_WINDOWS_PREFIX=$(abspath $(WIN_DEPS)) -DBROVASK_HOST_BUILD=$(abspath $(BUILD)) \
	  -DBROVASK_PACKAGE_ROOT=$(abspath $(WIN_BUILD))
	cmake --build $(WIN_BUILD)/cmake -j $(JOBS) $(WIN_TARGETS:%=--target %)

# Under wine on Xvfb, in a wine prefix of the tests' own ($(WIN_BUILD)/wine).
test-windows: windows
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DBUILD_TESTING=ON
	cmake --build $(BUILD) -j $(JOBS) --target $(HOST_TEST_TARGETS)
	JOBS=$(JOBS) bash tests/windows/run.sh $(abspath $(WIN_BUILD))

# The package, the zip and the data files, built twice from fresh clones of
# the last commit (another folder, time, umask and time zone), byte for byte
# the same; both Windows builds use the one SDL2/libpng prefix, WIN_DEPS.
check-reproducible:
	@bash tools/deps.sh reproducible
	JOBS=$(JOBS) WIN_DEPS=$(abspath $(WIN_DEPS)) bash tests/dist/reproducible.sh

# The browser: Debian's emscripten; SDL2, libpng and zlib from Debian's
# sources (tools/web_deps.sh), the data files from the Linux build.
WEB_BUILD ?= build-web
web:
	@bash tools/deps.sh web
	@$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target $(HOST_TARGETS)
	JOBS=$(JOBS) bash tools/web_build.sh $(WEB_BUILD) $(BUILD)

play-web: web
	python3 tools/serve_web.py $(WEB_BUILD)/Brovask

# In headless Chromium, and xmrender under node against the native one.
test-web: web
	cmake --build $(BUILD) -j $(JOBS) --target brovask halvex xmrender
	bash tests/web/run.sh $(abspath $(WEB_BUILD)) $(abspath $(BUILD))

# Fuzz targets (clang, libFuzzer): each runs FUZZ_SECONDS from the corpus;
# findings are kept in tests/fuzz/regressions/, which `make test` replays.
FUZZ_SECONDS ?= 60
FUZZ_BUILD ?= build-fuzz
fuzz:
	@bash tools/deps.sh fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) bash tests/fuzz/run.sh $(abspath $(FUZZ_BUILD)) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD) $(WEB_BUILD) $(DEB_BUILD)
