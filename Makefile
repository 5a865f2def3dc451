# SPDX-License-Identifier: MIT
# The README's commands. `make play` and `make test` do all the set-up on a fresh Debian machine.
PRESET ?= default
BUILD := build/$(PRESET)
JOBS ?= $(shell nproc)

.PHONY: all deps configure build play test test-slow test-ratio test-asan bench bench-ratios fuzz-smoke format clean assets-sheet screenshots scores-server idle-cpu deb spdx

all: build

deps:
	scripts/install-deps

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

play: build
	$(BUILD)/flingo

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -LE slow

# The checks too slow for every run: every sound file, and every way of spoiling one.
test-slow: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L slow

# Lines of tests against lines of code.
test-ratio:
	@scripts/test-ratio

test-asan:
	$(MAKE) test PRESET=asan

# Every benchmark program (the windowed shell ones need an X display: run them under xvfb-run).
bench: build
	@for b in $$(find $(BUILD)/bench -name 'bench_*' -type f -perm -u+x | sort); do \
		echo "== $$b"; FLINGO_RESOURCE_DIR=$(CURDIR)/$(BUILD)/resources $$b || exit 1; done

# Every libFuzzer target for FUZZ_SECONDS each (the `fuzz` preset, clang), starting from the seeds
# in fuzz/corpus/<target>/; what it finds is written to build/fuzz/.
FUZZ_TARGETS := gfx_image_fuzz online_page_fuzz save_load_fuzz save_legacy_fuzz
FUZZ_SECONDS ?= 60
fuzz-smoke: deps
	cmake --preset fuzz
	cmake --build build/fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@for t in $(FUZZ_TARGETS); do \
		bin=$$(find build/fuzz/fuzz -name $$t -type f -perm -u+x); \
		work=$$(mktemp -d); \
		echo "== $$t: $(FUZZ_SECONDS) s"; \
		$$bin -max_total_time=$(FUZZ_SECONDS) -artifact_prefix=$(CURDIR)/build/fuzz/$$t- \
			$$work fuzz/corpus/$$t; status=$$?; \
		rm -rf $$work; \
		[ $$status -eq 0 ] || exit $$status; \
	done

# Start-up, level frame, menu idle and memory against minimal programs: CPU of the whole process,
# medians of 11 runs taken in turns (on a shared machine a median of 7 still moves by a tenth from
# one run to the next), printed as ratios (windowed cases under Xvfb).
bench-ratios: build
	xvfb-run -a -s "-screen 0 1280x1024x24" bench/cost_ratios.py $(BUILD) 11

# A contact sheet of every image and one check picture per level (basket, rim and floor lines).
assets-sheet: build
	cmake --build $(BUILD) --target assets-sheet
	@echo "Written to $(BUILD)/assets-sheet/"

# The pictures the README shows, rendered headless into docs/.
screenshots: build
	scripts/screenshots $(BUILD)

# CPU use while idling in the menu (windowed, under Xvfb) against a bare program drawing the same quads.
idle-cpu: build
	scripts/idle-cpu $(BUILD)

# The reference score server on 127.0.0.1:8642 (the game's default score server).
scores-server: build
	$(BUILD)/flingo-scores --port 8642 --db $(BUILD)/flingo-scores.db

# The Debian packages flingo and flingo-scores in build/deb/, checked with lintian and run headless.
deb:
	scripts/install-deps --packaging
	scripts/build-deb

# Adds the licence line to every source file that lacks one (`scripts/spdx-headers --check` lists them).
spdx:
	scripts/spdx-headers

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
