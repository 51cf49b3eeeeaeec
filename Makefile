# Developer entry points. `make test` on a fresh Debian/Ubuntu machine installs, builds and tests everything.
JOBS ?= 2
NATIVE := build/native
WINDOWS := build/windows

.PHONY: test deps build native windows clean format

test: build
	JOBS=$(JOBS) tools/run-tests.sh

deps:
	tools/install-deps.sh

build: deps native windows

native:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(NATIVE) -j$(JOBS)

windows:
	cmake -S . -B $(WINDOWS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS) -j$(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build

# The product commands: the demo, the release zip, the benchmark table, soak with faults and fuzzing.
FUZZ_SECONDS ?= 60
.PHONY: demo release bench soak fuzz

demo:
	BUILD=$(WINDOWS) tools/demo.sh

release:
	tools/release.sh $(WINDOWS) build/release

bench:
	BUILD=$(WINDOWS) tools/bench.sh

soak:
	BUILD=$(WINDOWS) FUZZ_SECONDS=$(FUZZ_SECONDS) tools/soak.sh

fuzz:
	tools/fuzz.sh $(FUZZ_SECONDS)
