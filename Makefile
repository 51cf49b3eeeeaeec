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
