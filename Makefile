# make run    installs what is missing, builds the program, starts it
# make test   installs what the tests need too, builds everything, runs every test
# make bench  benchmarks and long fuzzing runs, written to bench/RESULTS.md
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all configure build run test bench clean

all: build

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Everything: the program, the tools, the tests, the benchmarks' programs.
build: configure
	cmake --build $(BUILD) --parallel $(JOBS)

# Only what the program needs (it and its reader): a first start builds no
# test, benchmark or fuzz target.
run:
	scripts/bootstrap
	$(MAKE) --no-print-directory configure
	cmake --build $(BUILD) --parallel $(JOBS) --target quillmere
	$(BUILD)/bin/quillmere

test:
	scripts/bootstrap test
	$(MAKE) --no-print-directory build
	cd $(BUILD) && ctest --output-on-failure --parallel $(JOBS)

# Benchmarks against the peers, damaged-file and libFuzzer runs: bench/RESULTS.md.
bench:
	bench/run

clean:
	rm -rf $(BUILD)
