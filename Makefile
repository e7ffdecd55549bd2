# The two commands of the README: `make demo` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
RELEASE_BUILD ?= build-release
FUZZ_SECONDS ?= 20
# WERROR=ON makes every warning an error (CI sets it); a user's build warns.
WERROR ?= OFF
CMAKE_OPTIONS = -DQUILLOX_WERROR=$(WERROR)
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
MAKEFLAGS += --no-print-directory

.PHONY: all configure build test test-sanitize test-release fuzz fuzz-run demo bench format format-check check-layers clean
.PHONY: install uninstall deb windows test-windows windows-zip

all: build

# Only the targets that run tests, the demo and the Windows build install
# packages (scripts/install-deps, each asking for what it needs); building and
# installing take what the machine has.
configure:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_OPTIONS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test:
	@./scripts/install-deps test
	@$(MAKE) build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The optimised build as Debian builds packages: dpkg-buildflags' flags with
# every hardening feature, the build stamp from SOURCE_DATE_EPOCH (the last
# commit's time unless given), and its tests (without the peer programs, which
# the ordinary build holds the code to, and without the benchmarks).
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
test-release:
	@./scripts/install-deps test
	@SOURCE_DATE_EPOCH=$${SOURCE_DATE_EPOCH:-$$(git log -1 --format=%ct 2>/dev/null || date +%s)} \
	  cmake -S . -B $(RELEASE_BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_OPTIONS) \
	    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
	    -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
	    -DCMAKE_C_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CFLAGS)" \
	    -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" >/dev/null
	@cmake --build $(RELEASE_BUILD) -j $(JOBS)
	@ctest --test-dir $(RELEASE_BUILD) --output-on-failure -j $(JOBS) -LE peer

test-sanitize:
	@./scripts/install-deps test
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUILLOX_SANITIZE=ON $(CMAKE_OPTIONS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=0 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE peer

# Builds the libFuzzer targets into $(FUZZ_BUILD)/fuzz/; fuzz/README.md says how to run them.
fuzz:
	@./scripts/install-deps fuzz
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQUILLOX_FUZZ=ON $(CMAKE_OPTIONS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target quillox-fuzz

# The Windows build, cross-built with mingw-w64 into $(WINDOWS_BUILD)/, and its
# tests under Wine (the unit tests, and the end-to-end tests driving quillox.exe).
windows:
	@./scripts/install-deps windows
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_OPTIONS) >/dev/null
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS)

test-windows: windows build
	@./scripts/test-windows $(WINDOWS_BUILD) $(BUILD)

windows-zip: windows
	@./scripts/windows-zip $(WINDOWS_BUILD)

# Runs each fuzz target for FUZZ_SECONDS on its seeds (fuzz/corpus/<target>/
# and the peer files, both only read); fails when one of them finds a fault.
fuzz-run: fuzz
	@./scripts/fuzz-run $(FUZZ_BUILD) $(FUZZ_SECONDS)

demo:
	@./scripts/install-deps demo
	@$(MAKE) build
	@./scripts/demo $(BUILD)

bench: build
	@$(BUILD)/quillox-bench

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check:
	@clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

# Fails when a lower layer includes a higher one (the order is in the script).
check-layers:
	@./scripts/check-layers

# `make install` (PREFIX=/usr/local, DESTDIR honoured), `make uninstall` with the
# same PREFIX and DESTDIR, and the Debian package in $(BUILD)/.
PREFIX ?= /usr/local

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

uninstall: build
	@DESTDIR="$(DESTDIR)" cmake -DQUILLOX_BUILD_DIR=$(BUILD) -DQUILLOX_PREFIX="$(PREFIX)" -P cmake/Uninstall.cmake

deb: build
	@cd $(BUILD) && cpack -G DEB

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) $(RELEASE_BUILD)
