# The two everyday commands:
#   make test            build with the sanitizers and run every test
#   make run [DIR=path]  build and start Pixmarl (on DIR, else on the samples the build made)
# and a few more: make install [PREFIX=dir], make package, make bench, make fuzz, make format.

JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
BUILD_TYPE_FLAGS = -DCMAKE_EXPORT_COMPILE_COMMANDS=ON

.PHONY: test run release install package bench fuzz deps format clean

deps:
	@bash scripts/install-deps.sh

build/asan/CMakeCache.txt: | deps
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DPIXMARL_SANITIZE=ON $(BUILD_TYPE_FLAGS)

build/release/CMakeCache.txt: | deps
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo $(BUILD_TYPE_FLAGS)

test: deps build/asan/CMakeCache.txt
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ctest --output-on-failure -j $(JOBS)

release: deps build/release/CMakeCache.txt
	cmake --build build/release -j $(JOBS)

run: release
	build/release/src/pixmarl $(DIR)

# The release build installed under PREFIX. The build folder is configured for PREFIX only when it
# names another one, so `make release && sudo make install` does not reconfigure it as root.
install: build/release/CMakeCache.txt
	@grep -qx 'CMAKE_INSTALL_PREFIX:PATH=$(abspath $(PREFIX))' build/release/CMakeCache.txt || \
		cmake -S . -B build/release -DCMAKE_INSTALL_PREFIX=$(abspath $(PREFIX))
	cmake --build build/release -j $(JOBS)
	cmake --install build/release

# build/release/pixmarl_<version>_<arch>.deb
package: release
	cd build/release && cpack

bench: release
	@echo "benchmarks are in build/release/bench/ (bench_*); see bench/README.md"

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DPIXMARL_SANITIZE=ON -DPIXMARL_FUZZ=ON -DPIXMARL_BENCH=OFF
	cmake --build build/fuzz -j $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
