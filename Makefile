# Front door for people and CI; CMake does the real work.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
BENCH_DIR ?= build-bench
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=
SOURCES = $(shell find src tests bench tools -name '*.cpp' -o -name '*.h' 2>/dev/null)

.PHONY: run test test-asan fuzz bench screenshots format check-format package

# Install what is missing, build, start the player from the build tree.
run:
	scripts/setup.sh build run
	cmake -S . -B $(BUILD_DIR) -G Ninja -DTAZMEL_BUILD_TESTS=OFF -DTAZMEL_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)
	$(BUILD_DIR)/tazmel

# Install what is missing, build everything, check formatting, run every test.
test:
	scripts/setup.sh build run test package
	cmake -S . -B $(BUILD_DIR) -G Ninja -DTAZMEL_BUILD_TESTS=ON -DTAZMEL_BUILD_BENCH=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)
	$(MAKE) --no-print-directory check-format
	cd $(BUILD_DIR) && ctest --output-on-failure --no-tests=error -j2

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan:
	scripts/setup.sh build run test package
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAZMEL_SANITIZE=ON -DTAZMEL_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_DIR)
	cd $(ASAN_DIR) && UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure --no-tests=error -j2

# libFuzzer targets with clang; each runs FUZZ_SECONDS on its saved corpus.
fuzz:
	scripts/setup.sh build test fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAZMEL_FUZZ=ON \
	  -DTAZMEL_BUILD_TESTS=OFF -DTAZMEL_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR) --target fuzzers
	for f in $(FUZZ_DIR)/tests/fuzz/*_fuzzer; do \
	  name=$$(basename $$f _fuzzer); mkdir -p $(FUZZ_DIR)/corpus/$$name; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -artifact_prefix=$(FUZZ_DIR)/ \
	    $(FUZZ_DIR)/corpus/$$name tests/fuzz/corpus/$$name || exit 1; \
	done

bench:
	scripts/setup.sh build test bench
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAZMEL_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_DIR)
	for b in $(BENCH_DIR)/bench/bench_*; do $$b; done

# The main window of every bundled skin at scale 1 and 2, playing, and with
# its menu open; PNGs go to $(BUILD_DIR)/screenshots.
screenshots:
	scripts/setup.sh build run look
	cmake -S . -B $(BUILD_DIR) -G Ninja -DTAZMEL_BUILD_TESTS=OFF -DTAZMEL_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR)
	BUILD_DIR=$(BUILD_DIR) scripts/screenshots.sh $(BUILD_DIR)/screenshots

format:
	clang-format -i $(SOURCES)

check-format:
	@clang-format --dry-run -Werror $(SOURCES) && echo "Formatting: clean"

# The Debian package (CPack) in $(PACKAGE_DIR): installs to /usr, declares
# the libraries it links as dependencies.
PACKAGE_DIR ?= build-package
package:
	scripts/setup.sh build run package
	cmake -S . -B $(PACKAGE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DTAZMEL_BUILD_TESTS=OFF -DTAZMEL_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_DIR) --target package
	@ls $(PACKAGE_DIR)/tazmel_*.deb
