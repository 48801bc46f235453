# make run    installs what is missing, builds the program, starts it
# make test   installs what the tests need too, builds everything, runs every test
# make bench  benchmarks and long fuzzing runs, written to bench/RESULTS.md
# make package  the Debian package build/quillmere_1.0.1_amd64.deb
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all configure build run test bench package clean

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

# A build of its own with Debian's hardening flags, of only what is installed;
# CPack's DEB generator makes the package from its install.
PACKAGE_BUILD = $(BUILD)/package
package:
	scripts/bootstrap package
	DEB_BUILD_MAINT_OPTIONS=hardening=+all; export DEB_BUILD_MAINT_OPTIONS; \
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF \
	  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
	  -DCMAKE_C_FLAGS="$$(dpkg-buildflags --get CFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build $(PACKAGE_BUILD) --parallel $(JOBS) --target quillmere-installed
	cd $(PACKAGE_BUILD) && cpack -G DEB
	cp -f $(PACKAGE_BUILD)/quillmere_*_amd64.deb $(BUILD)/

clean:
	rm -rf $(BUILD)
