# make run    installs what is missing, builds, starts the program
# make test   the same, then every test
# make bench  benchmarks and long fuzzing runs, written to bench/RESULTS.md
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build run test bench clean

all: build

bootstrap:
	scripts/bootstrap

configure: bootstrap
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) --parallel $(JOBS)

run: build
	$(BUILD)/bin/quillmere

test: build
	cd $(BUILD) && ctest --output-on-failure --parallel $(JOBS)

# Benchmarks against the peers, damaged-file and libFuzzer runs: bench/RESULTS.md.
bench:
	bench/run

clean:
	rm -rf $(BUILD)
