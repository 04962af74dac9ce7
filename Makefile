# Entry points. Both targets install what is missing first.
#   make run    build and run the program on the demo installation
#   make test   build and run every test: normal build, sanitizer build, fuzzers
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: deps build run test test-release test-asan test-fuzz bench clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD)/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@ninja -C $(BUILD)/release -j$(JOBS)

run: build
	@scripts/run-demo.sh $(BUILD)/release

test: deps
	@scripts/test.sh

bench: build
	@scripts/bench.sh $(BUILD)/release

clean:
	rm -rf $(BUILD)
