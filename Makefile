# Entry points. Both targets install what is missing first.
#   make run    build and run the program on the demo installation
#   make test   build and run every test: normal build, sanitizer build, fuzzers
#   make bench  install the benchmark-only packages too, build with the
#               benchmarks (in $(BUILD)/bench) and run them
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: deps bench-deps build run test bench clean

deps:
	@scripts/install-deps.sh

bench-deps:
	@scripts/install-deps.sh --bench

build: deps
	@cmake -S . -B $(BUILD)/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@ninja -C $(BUILD)/release -j$(JOBS)

run: build
	@scripts/run-demo.sh $(BUILD)/release

test: deps
	@scripts/test.sh

# The benchmarks have a tree of their own, so that KX_BENCH never sticks in
# the cache of the tree the tests use.
bench: bench-deps
	@cmake -S . -B $(BUILD)/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_BENCH=ON >/dev/null
	@ninja -C $(BUILD)/bench -j$(JOBS)
	@scripts/bench.sh $(BUILD)/bench

clean:
	rm -rf $(BUILD)
