# Entry points: `make` builds both targets, `make test` installs what is missing, builds
# and runs every test, `make demo` builds and runs the bundled example. `make install`
# (PREFIX, default /usr/local, and DESTDIR) installs the tools, the stub and the manual
# pages; `make deb` packages the same for Debian under build/deb/; `make dist` writes the
# Windows bundle build/dist/kolvane95-VERSION-win32.zip.
JOBS ?= $(shell nproc)
HOST := build/host
WIN := build/win
FUZZ := build/fuzz
ASAN := build/asan
PREFIX ?= /usr/local

.PHONY: all host win fuzz asan deps test demo install deb dist clean

all: host win

host:
	@cmake -S . -B $(HOST) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(HOST) -j $(JOBS)

win: host
	@cmake -S . -B $(WIN) -DCMAKE_BUILD_TYPE=MinSizeRel \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-i686-w64-mingw32.cmake \
	  -DKOLVANE_HOST_TOOLS=$(CURDIR)/$(HOST) >/dev/null
	@cmake --build $(WIN) -j $(JOBS)

fuzz:
	@CC=clang CXX=clang++ cmake -S fuzz -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(FUZZ) -j $(JOBS)

# The unit tests built with AddressSanitizer and UndefinedBehaviorSanitizer; the host
# build's tests run them.
asan:
	@cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DKOLVANE_SANITIZE=address,undefined >/dev/null
	@cmake --build $(ASAN) -j $(JOBS) --target unit_tests

deps:
	@bash scripts/install-deps.sh

test: deps
	@$(MAKE) --no-print-directory all fuzz asan
	@cd $(HOST) && ctest --output-on-failure -j $(JOBS) --timeout 1500

demo: deps
	@$(MAKE) --no-print-directory all
	@bash scripts/demo.sh

install: all
	@DESTDIR="$(DESTDIR)" cmake --install $(HOST) --prefix $(PREFIX)

deb: all
	@bash scripts/make-deb.sh

dist: all
	@bash scripts/make-dist.sh

clean:
	rm -rf build
