# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: setup configure build run run-cli test screenshots bench clean

setup:
	./scripts/setup

configure: setup
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./scripts/demo --window $(BUILD)

run-cli: build
	./scripts/demo $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 300

# Pictures of the windows for review, in $(BUILD)/screenshots/.
screenshots: build
	ctest --test-dir $(BUILD) --output-on-failure -L screenshots

bench: build
	./scripts/bench $(BUILD)

clean:
	rm -rf $(BUILD)
