# Varnel — build, test, demo and benchmark entry points.
# SAN=address|undefined|thread builds everything with that sanitizer in its own
# build folder (build-address, ...).
SAN ?=
BUILD ?= build$(if $(SAN),-$(SAN))
JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all deps configure build test run demo bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DVARNEL_SAN=$(SAN) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

run: build
	scripts/demo --interactive $(BUILD)

demo: build
	scripts/demo $(BUILD)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	scripts/bench $(BUILD)

clean:
	rm -rf build build-address build-undefined build-thread
