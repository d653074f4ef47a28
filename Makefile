# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
.PHONY: run test build deps clean format

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

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
