# Plotlet: two commands on a fresh Debian machine.
#   make demo   install what is missing, build, draw the charts of the sample map into out/
#   make test   install what is missing, build, run every test
#   make sanitize   the tests again in a build with AddressSanitizer + UndefinedBehaviorSanitizer
#   make fuzz       each file reader under libFuzzer for FUZZ_SECONDS seconds (the same build)
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=
BIN := $(BUILD_DIR)/bin

# One clang build serves both: the test suite and the fuzz targets, all under
# AddressSanitizer + UndefinedBehaviorSanitizer (tcmalloc off: the sanitizers bring their own
# allocator).
SANITIZE_DIR ?= build-sanitize
FUZZ_SECONDS ?= 600
FUZZ_TARGETS := plotlet_fuzz_seeds fuzz_map_document fuzz_property_set fuzz_layer_file fuzz_data_source fuzz_element_line
# Leaks are errors; the suppressions name third-party libraries' process-lifetime caches only.
# verify_asan_link_order=0: libFuzzer puts libstdc++ ahead of the shared ASan runtime, harmlessly.
SANITIZE_ENV := ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:verify_asan_link_order=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0

.PHONY: all deps configure build test demo bench clean sanitize fuzz

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

$(SANITIZE_DIR)/build.ninja: | deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DPLOTLET_SANITIZE=ON -DPLOTLET_FUZZ=ON -DPLOTLET_TCMALLOC=OFF \
	  -DPLOTLET_BUILD_BENCH=OFF -DPLOTLET_BUILD_DESKTOP=OFF $(CMAKE_FLAGS)

sanitize: deps $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR)
	$(SANITIZE_ENV) ctest --test-dir $(SANITIZE_DIR) --output-on-failure --parallel $(shell nproc)

fuzz: deps $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) --target $(FUZZ_TARGETS)
	$(SANITIZE_ENV) scripts/fuzz.sh $(SANITIZE_DIR)/bin $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) out
