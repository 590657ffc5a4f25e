# make run   installs what is missing, builds, and writes a catalogue of the bundled sample pictures
# make test  installs what is missing, builds, and runs every test through CTest
# make screenshots  photographs the desktop program's windows into docs/screenshots/
# make install [PREFIX=/usr/local] [DESTDIR=...]  installs the programs, module, manual pages and desktop files
# make package  builds the Debian package build/package/veldrin_<version>_<arch>.deb
# SANITIZE=1 builds and tests with AddressSanitizer and UndefinedBehaviorSanitizer (in build-asan/).

SANITIZE ?= 0
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)
ifeq ($(SANITIZE),1)
BUILD := build-asan
else
BUILD := build
endif
FUZZ_BUILD := build-fuzz
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")

.PHONY: all deps configure build fuzz-build test run bench screenshots install package clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DVELDRIN_SANITIZE=$(if $(filter 1,$(SANITIZE)),ON,OFF) \
	    -DVELDRIN_FUZZ_BIN_DIR=$(CURDIR)/$(FUZZ_BUILD)/bin >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The fuzz targets need clang's libFuzzer; they always carry both sanitizers.
fuzz-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DVELDRIN_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

test: build fuzz-build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@scripts/run-samples.sh $(BUILD)

# Pictures of the desktop program's windows for the README, taken under a virtual X server.
screenshots: build
	@scripts/screenshots.sh $(BUILD)

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build
	@cmake --build $(BUILD) --target package

clean:
	rm -rf build build-asan $(FUZZ_BUILD)
