# Entry points: `make demo` and `make test` on a fresh Debian machine.
JOBS ?= $(shell nproc)
ASAN_DIR := build/asan
RELEASE_DIR := build/release
PREFIX ?= /usr/local

.PHONY: all deps test demo bench install clean build-test build-release

all: build-release

deps:
	scripts/install-deps

$(ASAN_DIR)/build.ninja: | deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Asan -DMAPCORE_TESTS=ON -DMAPCORE_BENCH=OFF

$(RELEASE_DIR)/build.ninja: | deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMAPCORE_TESTS=OFF -DMAPCORE_BENCH=ON

build-test: deps $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS)

build-release: deps $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)

test: build-test
	cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS)

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

bench: build-release
	scripts/run-benchmarks $(RELEASE_DIR)/bench

clean:
	rm -rf build out
