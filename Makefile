# `make` builds dist/tarvo.exe, dist/tarvo64.exe and dist/tarvo-arm64.exe, `make check` runs every
# test, `make demo` runs the main job; each installs what is missing first.
JOBS ?= 2
MAKEFLAGS += --no-print-directory
B := build
CMAKE_WIN := cmake -S . -B $(B)/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel
CMAKE_WIN64 := cmake -S . -B $(B)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel
CMAKE_ARM64 := cmake -S . -B $(B)/arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/clang-arm64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel
CMAKE_NATIVE := cmake -S . -B $(B)/native -DCMAKE_BUILD_TYPE=Debug
CMAKE_TOOL := cmake -S . -B $(B)/tool -DTARVO_TOOL=ON -DCMAKE_BUILD_TYPE=Release
CMAKE_FUZZ := cmake -S . -B $(B)/fuzz -DTARVO_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build check check-native check-fuzz check-wine demo bench fuzz clean

all: build

deps:
	@tools/install-deps.sh

build: deps
	@$(CMAKE_WIN) >/dev/null
	@cmake --build $(B)/win -j $(JOBS)
	@$(CMAKE_WIN64) >/dev/null
	@cmake --build $(B)/win64 -j $(JOBS) --target tarvo
	@$(CMAKE_ARM64) >/dev/null
	@cmake --build $(B)/arm64 -j $(JOBS) --target tarvo
	@$(CMAKE_TOOL) >/dev/null
	@cmake --build $(B)/tool -j $(JOBS)
	@cmake --build $(B)/win64 -j $(JOBS) --target tarvo-build
	@tools/java.sh $(B)
	@stat -c "dist/tarvo-build: %s bytes" dist/tarvo-build
	@stat -c "dist/tarvo-build.exe: %s bytes" dist/tarvo-build.exe

# The ARM64 Wine (a chroot made once, in minutes) is made meanwhile, in the
# background: the smoke suite waits for it by its lock.
check: deps
	@mkdir -p $(B) && (tests/rig/arm64-wine.sh prepare $(B) >$(B)/arm64-prepare.txt 2>&1 &)
	@$(MAKE) build
	@cmake --build $(B)/win -j $(JOBS) --target standins
	@cmake --build $(B)/win64 -j $(JOBS)
	@$(CMAKE_NATIVE) >/dev/null
	@cmake --build $(B)/native -j $(JOBS)
	@$(CMAKE_FUZZ) >/dev/null
	@cmake --build $(B)/fuzz -j $(JOBS)
	@tools/check.sh $(B)

demo: build
	@cmake --build $(B)/win64 -j $(JOBS)
	@tools/demo.sh $(B)

bench: build
	@cmake --build $(B)/win --target standins -j $(JOBS)
	@cmake --build $(B)/win64 -j $(JOBS)
	@tools/bench.sh $(B)

# Runs every fuzz target for FUZZ_SECONDS each, growing a scratch corpus.
FUZZ_SECONDS ?= 60
fuzz: deps
	@$(CMAKE_FUZZ) >/dev/null
	@cmake --build $(B)/fuzz -j $(JOBS)
	@tools/fuzz.sh $(B)/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(B) dist
