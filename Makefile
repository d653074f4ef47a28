# Entry points for a fresh Debian 12 machine: `make run`, `make test` and `make package`.
.PHONY: run test build deps package clean format

JOBS ?= $(shell nproc)

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

run: build
	@./build/default/app/brennic

test: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)
	@ctest --preset default
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan

# A Release build of the programs alone (no tests, no benchmark), packed by CPack into
# build/brennic_<version>_<arch>.deb.
package:
	@./scripts/install-deps.sh package
	@cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DBRENNIC_BUILD_TESTS=OFF -DBRENNIC_BUILD_BENCH=OFF >/dev/null
	@cmake --build build/package -j $(JOBS)
	@rm -f build/brennic_*.deb build/package/brennic_*.deb
	@cd build/package && cpack -G DEB >/dev/null
	@mv build/package/brennic_*.deb build/
	@ls build/brennic_*.deb

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
