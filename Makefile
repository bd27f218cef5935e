# kokernel: one command per job.
#   make demo   installs what is missing, builds, runs the demo host
#   make test   every suite of both targets (native under ASan/UBSan, windows under Wine)
#   make bench  benchmarks against the peers (the shipped -O3 build), and the
#               DLL's kernels under Wine beside the same kernels natively
#   make fuzz   each fuzz target for a bounded time (native, clang)
SHELL := /bin/bash
# Let ccache share results between clones in different folders (CI builds
# a fresh clone each time).
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
BENCH_OUT := build/native-bench/results

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

# The demo host takes a generated frame through every step in both targets;
# the BMP files it writes go to build/demo/<target>/.
demo: deps build-native build-windows
	@mkdir -p build/demo/native build/demo/windows
	@echo "== native demo =="
	build/native/bin/kodemo --out build/demo/native
	@echo "== windows demo (kokernel.dll under Wine) =="
	tools/wine-run build/windows/bin/kodemo.exe --out build/demo/windows
	@ls build/demo/native/*.bmp build/demo/windows/*.bmp

test-native: build-native-asan
	ctest --preset native-asan -j $(JOBS) --no-tests=error

test-windows: build-windows
	xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows -j $(JOBS) --no-tests=error

test: deps
	$(MAKE) test-native
	$(MAKE) test-windows

bench: deps build-windows
	cmake --preset native-bench >/dev/null
	cmake --build --preset native-bench -j $(JOBS)
	@mkdir -p $(BENCH_OUT)
	@for b in build/native-bench/bin/kobench_*; do echo "== $$b =="; \
	  "$$b" --benchmark_out=$(BENCH_OUT)/$${b##*/}.json --benchmark_out_format=json || exit 1; done
	@echo "== build/windows/bin/kobench_dll.exe (under Wine) =="
	OMP_NUM_THREADS=1 tools/wine-run build/windows/bin/kobench_dll.exe --benchmark_out=$(BENCH_OUT)/kobench_dll_wine.json
	python3 tools/bench_table.py --pairs bench/pairs.txt --out docs/performance.md $(BENCH_OUT)/*.json

# Each fuzzer kofuzz_<name> starts from fuzz/corpus/<name> and writes what
# it learns to build/native-fuzz/corpus/<name>; a crash, leak or time-out
# stops `make fuzz` with the input kept in build/native-fuzz/artifacts/.
FUZZ_DIR := build/native-fuzz
fuzz: deps
	cmake --preset native-fuzz >/dev/null
	cmake --build --preset native-fuzz -j $(JOBS)
	@mkdir -p $(FUZZ_DIR)/artifacts $(FUZZ_DIR)/logs
	@for f in $(FUZZ_DIR)/bin/kofuzz_*; do n=$${f##*/kofuzz_}; echo "== $$n =="; \
	  test -d fuzz/corpus/$$n || { echo "no corpus fuzz/corpus/$$n"; exit 1; }; \
	  mkdir -p $(FUZZ_DIR)/corpus/$$n; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
	    -artifact_prefix=$(FUZZ_DIR)/artifacts/$$n- \
	    $(FUZZ_DIR)/corpus/$$n fuzz/corpus/$$n >$(FUZZ_DIR)/logs/$$n.log 2>&1; st=$$?; \
	  tail -3 $(FUZZ_DIR)/logs/$$n.log; \
	  if [ $$st -ne 0 ]; then echo "kofuzz_$$n failed (status $$st); see $(FUZZ_DIR)/logs/$$n.log"; \
	    ls $(FUZZ_DIR)/artifacts/$$n-* 2>/dev/null; exit 1; fi; done

clean:
	rm -rf build
