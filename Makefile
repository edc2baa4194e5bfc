# Entry points: `make demo` and `make test` on a fresh Debian machine.
JOBS ?= $(shell nproc)
ASAN_DIR := build/asan
RELEASE_DIR := build/release
FUZZ_DIR := build/fuzz
# Seconds each fuzz target runs in `make fuzz`, and the targets.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?= classifier sheet map raster journal template
PREFIX ?= /usr/local

.PHONY: all deps test test-asan test-release demo bench install clean build-asan build-release fuzz abi-record

all: build-release

deps:
	scripts/install-deps

# A build folder is configured again when this file changes, so that one
# made with other options takes the ones below.
$(ASAN_DIR)/build.ninja: Makefile | deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Asan -DMAPCORE_TESTS=ON -DMAPCORE_BENCH=OFF

# The one optimised build: the library installed, the demo, the benchmarks,
# and the whole test suite once more, in the build users run.
$(RELEASE_DIR)/build.ninja: Makefile | deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMAPCORE_TESTS=ON -DMAPCORE_BENCH=ON

build-asan: deps $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS)

build-release: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# Every test twice: under the sanitizers, and optimised (-O2) as installed,
# where code whose meaning changes with optimisation shows.
test: test-asan test-release

test-asan: build-asan
	cd $(ASAN_DIR) && ctest --output-on-failure --no-tests=error -j $(JOBS)

test-release: build-release
	cd $(RELEASE_DIR) && ctest --output-on-failure --no-tests=error -j $(JOBS)

# The library and the example hosts only (not the tests or the benchmarks),
# then both hosts run, their files in out/.
demo: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target mapcore hostdemo mapdemo
	mkdir -p out
	@echo
	$(RELEASE_DIR)/examples/hostdemo out
	@echo
	$(RELEASE_DIR)/examples/mapdemo out

# The shared library alone (Release), with its headers and package files,
# into $(PREFIX); DESTDIR stages it below another root.
install: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target mapcore
	DESTDIR=$(DESTDIR) cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

# The baseline of the library's binary interface for its major version
# (abi/libmapcore.so.<major>.abi), written from the Release library when the
# first release of a new major is made, and never rewritten: later releases
# of the major are compared with it (scripts/check-abi).
abi-record: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target mapcore
	scripts/check-abi --write $(RELEASE_DIR)/api/libmapcore.so abi

bench: build-release
	scripts/run-benchmarks $(RELEASE_DIR)/bench

# The coverage-guided fuzz targets (clang, libFuzzer, the sanitizers):
# each runs FUZZ_SECONDS from its seeds, made by the library, and its
# corpus in tests/fuzz/corpus/<target>/, which keeps what it finds
# (minimised), failing inputs included. FUZZ_JOBS targets run at once.
$(FUZZ_DIR)/build.ninja: Makefile | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Fuzz -DMAPCORE_FUZZ=ON -DMAPCORE_TESTS=ON -DMAPCORE_BENCH=OFF -DMAPCORE_EXAMPLES=OFF

fuzz: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(foreach t,$(FUZZ_TARGETS),fuzz_$(t) fuzzreplay_$(t))
	scripts/run-fuzz $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf build out
