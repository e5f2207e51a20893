# Two entry points for a fresh machine: `make run` and `make test`.
# Each installs what is missing, configures and builds first.

PRESET ?= default
BUILD  := build/$(PRESET)

.PHONY: all deps configure build run install test asan tsan bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

# Starts the instrument, building only the program (the tests and benchmarks wait for `make test`).
run: configure
	@cmake --build --preset $(PRESET) --target kornmill
	@$(BUILD)/app/kornmill

# Installs the program, the renderer, the help, the manual page and the desktop entry
# under PREFIX (default /usr/local).
PREFIX ?= /usr/local
install: configure
	@cmake --build --preset $(PRESET) --target kornmill kornmill-render
	@cmake --install $(BUILD) --prefix $(PREFIX)

# Builds everything and runs every test.
test: build
	@QT_QPA_PLATFORM=offscreen ctest --preset $(PRESET)

asan:
	@$(MAKE) --no-print-directory test PRESET=asan

# The MIDI tests under ThreadSanitizer (the preset builds only what they need).
tsan: deps
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan
	@QT_QPA_PLATFORM=offscreen ctest --preset tsan

bench: build
	@for b in $(BUILD)/bench/*_bench; do $$b; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
