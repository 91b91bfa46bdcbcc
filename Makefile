# Plotlet: two commands on a fresh Debian machine.
#   make demo   install what is missing, build, draw the charts of the sample map into out/
#   make test   install what is missing, build, run every test
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=
BIN := $(BUILD_DIR)/bin

.PHONY: all deps configure build test demo bench clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

configure: $(BUILD_DIR)/build.ninja

build: deps configure
	cmake --build $(BUILD_DIR)

# ctest runs each test case in a process of its own; they run side by side.
test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --parallel $(shell nproc)

demo: build
	@scripts/demo.sh $(BIN)

bench: build
	$(BIN)/plotlet_bench --benchmark_counters_tabular=true

clean:
	rm -rf $(BUILD_DIR) out
