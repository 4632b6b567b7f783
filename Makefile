# The two commands a newcomer needs are `make run` and `make test`; the rest
# are for developers. Every target installs missing Debian packages first.

JOBS          ?= 2
BUILD         ?= build
FUZZ_SECONDS  ?= 60
CMAKE_FLAGS   ?=
export QT_QPA_PLATFORM ?= offscreen

PACKAGE_BUILD ?= build-package

.PHONY: all deps build run test bench bench-e2e fuzz sanitize-test clean format gallery screenshots \
        package-build install-check package wayland-check a11y-check

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@env -u QT_QPA_PLATFORM $(BUILD)/bin/zephral

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Unit tests again, built with clang under AddressSanitizer and UBSan.
sanitize-test: deps
	@CC=clang CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug \
	  -DZEPHRAL_SANITIZE=ON -DZEPHRAL_GUI=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-sanitize -j $(JOBS)
	@cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZEPHRAL_BENCH=ON -DZEPHRAL_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bin/bench_*; do echo "== $$b"; $$b; done

# zephral-cli's file commands against openssl enc, ccrypt, gpg and cp on a
# 1 GiB and a 16 MiB file in /dev/shm: wall time, peak memory and ratios.
# Builds only zephral-cli and its library.
bench-e2e: deps
	@bash scripts/install-deps.sh bench
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target zephral-cli zephcore
	@bash scripts/bench-e2e.sh $(BUILD)

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPHRAL_FUZZ=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@bash scripts/run-fuzz.sh $(FUZZ_SECONDS)

# Sheets of every skinned control in its looks, drawn by zephral-render
# into $(BUILD)/gallery/.
gallery: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target zephral-render
	@bash scripts/gallery.sh $(BUILD)

# The real program under Xvfb, driven by xdotool: PNGs of the main window
# (also with the pointer over a button and with a button held down), the key
# dialog and the wait window, the three again at 1.5 and 2 times the pixel
# density, and the main window on a headless Weston, in $(BUILD)/screenshots/.
screenshots: build
	@bash scripts/install-deps.sh screenshots wayland
	@bash scripts/screenshots.sh $(BUILD)

# The real program on a headless Weston with Qt's Wayland platform: its three
# windows refuse the maximised and full-screen states and stay at their size,
# and a text and a file go through them and back.
wayland-check: build
	@bash scripts/install-deps.sh wayland
	@bash scripts/wayland-check.sh $(BUILD)

# The real program under Xvfb with a session bus and the AT-SPI registry,
# worked through AT-SPI alone as a screen reader would: its trees in
# $(BUILD)/a11y/, every control's role and name checked, text typed, buttons
# pressed and the results read back.
a11y-check: build
	@bash scripts/install-deps.sh a11y
	@bash scripts/a11y-check.sh $(BUILD)

# The tree the package is made from: installed under /usr, built with
# Debian's hardening flags and stripped as Debian strips, without the tests.
package-build:
	@bash scripts/install-deps.sh package
	@export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	  CFLAGS="$$(dpkg-buildflags --get CFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	  cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	    -DCMAKE_STRIP=$(CURDIR)/scripts/debian-strip.sh -DZEPHRAL_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS)

# Installs into a temporary root and runs the installed programs there.
install-check: package-build
	@bash scripts/install-check.sh $(PACKAGE_BUILD)

# $(PACKAGE_BUILD)/zephral_<version>_<arch>.deb, checked by lintian.
package: package-build
	@cd $(PACKAGE_BUILD) && cpack -G DEB
	@bash scripts/check-package.sh $(PACKAGE_BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-sanitize build-bench build-fuzz $(PACKAGE_BUILD)
