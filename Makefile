# Brovask front door. `make run` plays, `make test` runs every test,
# `make bench` measures the music player. Each installs what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps build run test bench fuzz clean

all: build

deps:
	@bash tools/deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display found: Brovask needs a desktop session (see README, 'Playing without a display')." >&2; exit 1; fi
	cd $(BUILD) && ./brovask

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@if [ -x bench/run.sh ]; then bash bench/run.sh $(BUILD); else echo "no benchmarks yet"; fi

# Fuzz targets (clang, libFuzzer): each runs FUZZ_SECONDS from the corpus;
# findings are kept in tests/fuzz/regressions/, which `make test` replays.
FUZZ_SECONDS ?= 60
FUZZ_BUILD ?= build-fuzz
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) bash tests/fuzz/run.sh $(abspath $(FUZZ_BUILD)) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
