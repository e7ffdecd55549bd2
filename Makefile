# The two commands of the README: `make demo` and `make test`.
BUILD ?= build
ASAN_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build test test-sanitize fuzz demo bench format format-check check-layers clean
.PHONY: install uninstall deb

all: build

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DQUILLOX_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=0 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE peer

# Builds the libFuzzer targets into $(FUZZ_BUILD)/fuzz/; fuzz/README.md says how to run them.
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQUILLOX_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target quillox-fuzz

demo: build
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
	@rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
