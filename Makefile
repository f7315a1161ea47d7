# The two set-up commands of the project: `make run` and `make test`.
# Everything else here serves them or the developers.

JOBS ?= 2
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
# make fuzz FUZZ_SECONDS=1800 FUZZ_TARGETS=DatabaseFuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
CMAKE_FLAGS ?=

.PHONY: all deps build run test test-sanitize bench bench-pipeline fuzz clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DGENVORA_WERROR=ON $(CMAKE_FLAGS)

# Everything: the tool, the tests and the benchmarks.
build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

# Only the tool it runs.
run: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS) --target genvora
	@scripts/demo.sh $(BUILD)

# The tests and the tool they run.
test: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS) --target genvora_tests
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DGENVORA_WERROR=ON -DGENVORA_SANITIZE=ON -DGENVORA_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	cd $(SANITIZE_BUILD) && LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j$(JOBS)

bench: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS) --target genvora_bench
	$(BUILD)/bench/genvora_bench

# Open, upgrade, save, check --repair and export a million persons written
# in three generations of the layout, stage by stage, as one table.
bench-pipeline: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS) --target genvora_pipeline
	$(BUILD)/bench/genvora_pipeline

# The fuzz targets built with clang's fuzzing engine and the sanitizers, each
# run for FUZZ_SECONDS; crashing inputs are kept in fuzz/corpus/ and replayed
# by make test.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGENVORA_FUZZ=ON -DGENVORA_SANITIZE=ON -DGENVORA_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target $(or $(FUZZ_TARGETS),DatabaseFuzz ContainersFuzz)
	scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)
