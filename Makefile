# kokernel: one command per job.
#   make demo   installs what is missing, builds, runs the demo host
#   make test   every suite of both targets (native under ASan/UBSan, windows under Wine)
#   make bench  benchmarks against the peers (native, release)
#   make fuzz   each fuzz target for a bounded time (native, clang)
SHELL := /bin/bash
# Let ccache share results between clones in different folders (CI builds
# a fresh clone each time).
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: all deps demo test test-native test-windows build-native build-native-asan \
        build-windows bench fuzz clean

all: build-native build-windows

deps:
	@bash tools/install-deps.sh

build-native:
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

build-native-asan:
	cmake --preset native-asan >/dev/null
	cmake --build --preset native-asan -j $(JOBS)

build-windows:
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

demo: deps build-native build-windows
	@echo "== native demo =="
	build/native/bin/kodemo
	@echo "== windows demo (kokernel.dll under Wine) =="
	tools/wine-run build/windows/bin/kodemo.exe

test-native: build-native-asan
	ctest --preset native-asan -j $(JOBS) --no-tests=error

test-windows: build-windows
	xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows -j $(JOBS) --no-tests=error

test: deps
	$(MAKE) test-native
	$(MAKE) test-windows

bench: deps
	cmake --preset native-bench >/dev/null
	cmake --build --preset native-bench -j $(JOBS)
	@for b in build/native-bench/bin/kobench_*; do echo "== $$b =="; "$$b" || exit 1; done

fuzz: deps
	cmake --preset native-fuzz >/dev/null
	cmake --build --preset native-fuzz -j $(JOBS)
	@for f in build/native-fuzz/bin/kofuzz_*; do echo "== $$f =="; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) fuzz/corpus/$$(basename $$f) 2>&1 | tail -3 || exit 1; done

clean:
	rm -rf build
