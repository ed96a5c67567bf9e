# Thin wrapper: each target installs what it needs, builds quietly, then acts.
BUILD ?= build
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all run test bench fuzz install uninstall package windows clean

all:
	@tools/install-deps run
	@tools/build $(BUILD) sortwell

run: all
	@$(BUILD)/sortwell

test:
	@tools/install-deps test
	@tools/build $(BUILD) --tests
	@tools/run-tests $(BUILD)

bench:
	@tools/install-deps test
	@tools/build $(BUILD) --tests sortwell_bench
	@$(BUILD)/bench/sortwell_bench

fuzz:
	@tools/install-deps run fuzz
	@FUZZ_SECONDS=$${FUZZ_SECONDS:-20} tools/run-fuzzers

# Builds everything it installs, from any state of the tree (after make run
# too). Stripped; PREFIX and DESTDIR as usual. The manifest lets uninstall (given the
# same DESTDIR) take back exactly this. It never installs system packages
# (a packager runs it): a missing build dependency fails the build instead.
# Run as root (sudo make install), what it writes into the build tree keeps
# the tree's owner.
install:
	@tools/build $(BUILD)
	@DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX) --strip
	@chown -R --reference=$(BUILD) $(BUILD) 2>/dev/null || true
	@echo "Installed into $(DESTDIR)$(PREFIX)"

uninstall:
	@DESTDIR=$(DESTDIR) tools/uninstall $(BUILD)

package:
	@tools/install-deps test
	@tools/build $(BUILD) --tests package

# sortwell.exe, its zip and its installer, cross-built with mingw-w64; the tests run under wine.
windows:
	@tools/install-deps windows
	@tools/build build-windows --tests -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
	@echo "Built build-windows/sortwell.exe, $$(ls build-windows/*.zip) and $$(ls build-windows/*.msi)"

clean:
	@rm -rf $(BUILD) build-windows
