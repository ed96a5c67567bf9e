# Thin wrapper: dependencies, configure, build, then run or test.
BUILD ?= build

.PHONY: all deps configure build run test bench fuzz install package clean

all: build

deps:
	@tools/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j2

run: build
	@$(BUILD)/sortwell

test: build
	@cd $(BUILD) && ctest --output-on-failure -j2

bench: build
	@cmake --build $(BUILD) -j2 --target sortwell_bench
	@$(BUILD)/bench/sortwell_bench

fuzz: deps
	@FUZZ_SECONDS=$${FUZZ_SECONDS:-20} tools/run-fuzzers

install: build
	@cmake --install $(BUILD)

package: build
	@cmake --build $(BUILD) --target package

clean:
	@rm -rf $(BUILD)
