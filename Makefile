BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: deps configure build test test-asan test-tsan run clean

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The whole suite built with AddressSanitizer + UndefinedBehaviorSanitizer, and separately with
# ThreadSanitizer, each in its own build directory. Findings in third-party code are suppressed
# in tests/sanitizers.
test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Release -DQUORVANE_SANITIZE=address
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$(CURDIR)/tests/sanitizers/ubsan.supp \
		ctest --output-on-failure -j $(JOBS)

test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Release -DQUORVANE_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/sanitizers/tsan.supp \
		ctest --output-on-failure -j $(JOBS)

run: build
	scripts/run

clean:
	rm -rf $(BUILD_DIR) build-asan build-tsan
