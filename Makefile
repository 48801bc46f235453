# make run   installs what is missing, builds, starts the program
# make test  the same, then every test
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build run test clean

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

clean:
	rm -rf $(BUILD)
