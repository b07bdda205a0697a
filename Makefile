# Kartex: `make demo` and `make test` do everything on a fresh Debian machine.
JOBS        ?= $(shell nproc)
BUILD       := build
ASAN_BUILD  := build-asan
FUZZ_BUILD  := build-fuzz
FUZZ_SECONDS ?= 60

# Building, the tests and their independent decoders, the fonts texts are drawn with.
PACKAGES := build-essential cmake pkg-config \
  libcairo2-dev libfontconfig-dev libfreetype-dev fontconfig fonts-liberation2 fonts-dejavu-core \
  fonts-droid-fallback fonts-urw-base35 \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  libgif-dev libtiff-dev libjpeg62-turbo-dev libpng-dev python3-ezdxf \
  librsvg2-bin python3-pil libpng-tools qt6-base-dev xvfb xauth locales clang-format
# Fuzzing and the peer comparisons of the benchmarks.
EXTRA_PACKAGES := clang libclang-rt-14-dev libjpeg-turbo-progs libtiff-tools hyperfine
# The peers make bench runs beside kartex.
PEER_PACKAGES := librecad poppler-utils gerbv netpbm inkscape libwmf-bin

.PHONY: all deps deps-extra deps-peers format-check build test test-release test-asan demo fuzz bench clean

all: build

deps:
	@tools/deps.sh $(PACKAGES)
	@tools/locale.sh de_DE.UTF-8

deps-extra: deps
	@tools/deps.sh $(EXTRA_PACKAGES)

deps-peers: deps-extra
	@tools/deps.sh $(PEER_PACKAGES)

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

test: format-check test-release test-asan

# Every C++ source must be as clang-format leaves it.
format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKARTEX_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j$(JOBS)

demo: build
	@tools/demo.sh $(BUILD)/kartex samples out

fuzz: deps-extra
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKARTEX_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS)
	@LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp tools/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: deps-peers build
	@tools/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) out
