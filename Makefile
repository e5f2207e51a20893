# Two entry points for a fresh machine: `make run` and `make test`.
# Each installs what is missing, configures and builds first.

PRESET ?= default
BUILD  := build/$(PRESET)

.PHONY: all deps configure build run test asan bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

# Starts the instrument.
run: build
	@$(BUILD)/app/kornmill

# Builds everything and runs every test.
test: build
	@QT_QPA_PLATFORM=offscreen ctest --preset $(PRESET)

asan:
	@$(MAKE) --no-print-directory test PRESET=asan

bench: build
	@for b in $(BUILD)/bench/*_bench; do $$b; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
