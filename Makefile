# The two set-up commands for a fresh Debian 12 machine:
#   make run    build and start the program on the simulated board
#   make test   build and run every test, headless
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
ifdef PREFIX
CMAKE_ARGS += -DCMAKE_INSTALL_PREFIX=$(PREFIX)
endif
# WERROR=ON turns compiler warnings into errors (make check, CI).
WERROR ?= OFF
JOBS ?= $(shell nproc)
export XDG_RUNTIME_DIR ?= $(shell d=/tmp/zr410ab-runtime-$$(id -u); mkdir -p $$d; chmod 700 $$d; echo $$d)

.PHONY: deps configure build run test test-asan test-tsan bench package fuzz format format-check check clean

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DZR_WERROR=$(WERROR) $(CMAKE_ARGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	    echo "make run: no display (DISPLAY and WAYLAND_DISPLAY are unset)."; \
	    echo "Run it from a desktop session, or under a virtual one: xvfb-run -a make run"; \
	    exit 1; \
	fi
	./$(BUILD)/zr410ab --board sim

test: build
	@QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The same tests in an AddressSanitizer + UndefinedBehaviorSanitizer build.
test-asan:
	@$(MAKE) --no-print-directory test BUILD=build-asan BUILD_TYPE=Debug CMAKE_ARGS=-DZR_SANITIZE=ON

# The board worker's tests (CTest label tsan) in a ThreadSanitizer build of just what they need.
# Qt's own libraries are not instrumented: tools/tsan.supp names the reports that come from there.
test-tsan:
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZR_TSAN=ON -DZR_WERROR=$(WERROR) \
	    $(CMAKE_ARGS) > /dev/null
	@cmake --build build-tsan -j $(JOBS) --target zr_tsan_tests
	@TSAN_OPTIONS="suppressions=$(CURDIR)/tools/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
	    QT_QPA_PLATFORM=offscreen ctest --test-dir build-tsan -L tsan --output-on-failure -j $(JOBS)

# Benchmarks that print figures: one polling tick of the real program with every polled window
# open, what any tick costs on this machine before the program does anything in it (and the
# ratio of the two, the figure the tick is judged by), the span statistics of a day of samples,
# the strip chart against two charting libraries (installed first, see
# tools/bench-packages.txt), and the exporter's scrapes while other clients hold connections.
bench:
	@tools/install-deps.sh tools/bench-packages.txt
	@$(MAKE) --no-print-directory build
	@QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/tick_bench > $(BUILD)/tick_bench.txt; \
	    status=$$?; cat $(BUILD)/tick_bench.txt; exit $$status
	@QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/floor_bench > $(BUILD)/floor_bench.txt; \
	    status=$$?; cat $(BUILD)/floor_bench.txt; exit $$status
	@tools/tick-ratio.sh $(BUILD)/tick_bench.txt $(BUILD)/floor_bench.txt
	@./$(BUILD)/bench/statistics_bench
	@QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/chart_bench
	@./$(BUILD)/bench/exporter_bench

# libFuzzer targets (clang 14, ASan + UBSan) in their own build folder, built without the
# windows: each runs FUZZ_SECONDS (default 20) from the seeds under fuzz/ and the tests' inputs.
FUZZ_SECONDS ?= 20
fuzz: deps
	@tools/install-deps.sh tools/fuzz-packages.txt
	@CXX=clang++-14 CC=clang-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DZR_FUZZ=ON > /dev/null
	@cmake --build build-fuzz -j $(JOBS) --target zr_fuzz_targets
	@tools/run-fuzz.sh build-fuzz $(FUZZ_SECONDS)

# Installs the program and the command-line tool with their firmware file, the udev rule that
# lets the logged-in user open the board, the desktop entry, the icons, the AppStream metadata and
# the man pages, under PREFIX (default /usr/local; make install PREFIX=/opt/zr410ab). DESTDIR
# stages the files instead. Run it as yourself: only the copying runs under sudo (not at all as
# root, or with DESTDIR=/staging/folder).
.PHONY: install
install: build
	@if [ "$$(id -u)" -eq 0 ] || [ -n "$(DESTDIR)" ]; then \
	    DESTDIR="$(DESTDIR)" cmake --install $(BUILD); \
	else \
	    sudo cmake --install $(BUILD); \
	fi

# The Debian packages (build-package/*.deb: zr410ab, zr410ab-tools, python3-zr410ab) of a release
# build for the /usr prefix with Debian's hardening flags, without the tests and benchmarks; then
# checked as tests/packaging/check_package.sh does (with lintian, the installs into a scratch
# root, the upgrade from the single package of 1.0.2).
package: export DEB_BUILD_MAINT_OPTIONS = hardening=+all
package: deps
	@cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	    -DZR_BUILD_TESTS=OFF -DZR_PYTHON_FIRMWARE_LINK=ON \
	    -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	    -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	    -DCMAKE_SHARED_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	    -DCMAKE_MODULE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" $(CMAKE_ARGS) > /dev/null
	@cmake --build build-package -j $(JOBS)
	@rm -f build-package/*.deb
	@cd build-package && cpack > /dev/null
	@tests/packaging/check_package.sh build-package /usr /usr/lib/udev/rules.d \
	    $$(sed -n 's/^project(ZR410A_B VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt) build-package
	@ls build-package/*.deb

# Kills the tool's log and the windows logging both chips at random moments, 100 times each, and
# checks that every file is absent or holds a whole header and only whole records.
KILLTEST_RUNS ?= 100
.PHONY: killtest soak screenshots
killtest: build
	@./$(BUILD)/killtest $(KILLTEST_RUNS) ./$(BUILD)/zr410ab-cli ./$(BUILD)/windows_on_sim

# Every polled window open on the simulated board for 24 hours of simulated time (4 ticks per
# second): memory, tick cost, drawing the whole history and log sizes. SOAK_HOURS=48 for a longer
# run, SOAK_DAYS=30 for the month-long one (it takes precedence).
SOAK_HOURS ?= 24
SOAK_DAYS ?=
SOAK_TICKS = $(if $(SOAK_DAYS),$$(( $(SOAK_DAYS) * 345600 )),$$(( $(SOAK_HOURS) * 14400 )))
soak: build
	@d=$$(mktemp -d) && QT_QPA_PLATFORM=offscreen ./$(BUILD)/windows_on_sim soak $(SOAK_TICKS) $$d; \
	    status=$$?; rm -rf $$d; exit $$status

# Pictures of every window in its main states, under a virtual X display, into docs/screenshots/
# (the README shows the scale-1 ones): scale 1 and 2 on a 1920x1200 screen, scale 2 on a 1920x1080
# one (the smallest client area the windows must fit), and a dark palette.
# Each run: scale:screen:suffix:palette ("-" for no suffix).
SCREENSHOT_RUNS = 1:1920x1200:-:light 2:1920x1200:@2x:light 2:1920x1080:@2x-1080p:light \
    1:1920x1200:-dark:dark
screenshots: build
	@for run in $(SCREENSHOT_RUNS); do \
	    set -- $$(echo $$run | tr : ' '); \
	    suffix=$$( [ "$$3" = - ] || echo "$$3" ); \
	    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$$1 xvfb-run -a -s "-screen 0 $${2}x24" \
	        ./$(BUILD)/zr410ab-screenshots docs/screenshots "$$suffix" $$4 || exit 1; \
	done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Every tracked C++ file as .clang-format wants it; `make format` fixes what this reports.
format-check:
	@command -v clang-format > /dev/null || { echo "make format-check: clang-format is not installed (apt-get install clang-format)"; exit 1; }
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

# Formatting, then the suite built with the stricter warnings as errors (the suite includes the
# layering test).
check: format-check
	@$(MAKE) --no-print-directory test WERROR=ON

clean:
	rm -rf build build-asan build-package build-fuzz
