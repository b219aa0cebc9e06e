BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: deps configure build test test-asan test-tsan run clean install uninstall deb

# `make install` installs for the current user, without root: the plug-ins where hosts look for
# a user's plug-ins (~/.vst3, ~/.lv2), everything else under ~/.local. With PREFIX (for example
# `make install PREFIX=/usr/local`) it installs system-wide: PREFIX/lib/vst3, PREFIX/lib/lv2,
# PREFIX/bin and PREFIX/share. What was installed is recorded per layout, so `make uninstall`
# (with the same PREFIX, or none) removes exactly that.
ifeq ($(strip $(PREFIX)),)
INSTALL_LAYOUT := -DCMAKE_INSTALL_PREFIX=$(HOME)/.local \
	-DQUORVANE_VST3_INSTALL_DIR=$(HOME)/.vst3 -DQUORVANE_LV2_INSTALL_DIR=$(HOME)/.lv2
INSTALL_RECORD := $(BUILD_DIR)/installed-files-user.txt
else
INSTALL_LAYOUT := -DCMAKE_INSTALL_PREFIX=$(abspath $(PREFIX)) \
	-DQUORVANE_VST3_INSTALL_DIR=lib/vst3 -DQUORVANE_LV2_INSTALL_DIR=lib/lv2
INSTALL_RECORD := $(BUILD_DIR)/installed-files$(subst /,_,$(abspath $(PREFIX))).txt
endif

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

# Builds only what is installed (not the tests).
install: configure
	cmake -S . -B $(BUILD_DIR) $(INSTALL_LAYOUT)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quorvane_shipped
	scripts/install-recorded $(BUILD_DIR) "$(INSTALL_RECORD)"

uninstall:
	scripts/uninstall "$(INSTALL_RECORD)"

# The Debian package, quorvane_VERSION_ARCH.deb in the build folder: the system layout under /usr.
deb: configure
	cmake -S . -B $(BUILD_DIR) -DCMAKE_INSTALL_PREFIX=/usr \
		-DQUORVANE_VST3_INSTALL_DIR=lib/vst3 -DQUORVANE_LV2_INSTALL_DIR=lib/lv2
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quorvane_shipped
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) build-asan build-tsan
