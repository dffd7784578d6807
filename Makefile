# The README's commands. Everything builds in build/; the ledger build/BDPLORN.mdb is made once and never overwritten.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench format clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/quentaril

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	scripts/run-benchmarks.sh $(BUILD)

format: configure
	cmake --build $(BUILD) --target format

# Removes the build but keeps the ledger, which holds the user's notes.
clean:
	@if [ -f $(BUILD)/BDPLORN.mdb ]; then \
		find $(BUILD) -mindepth 1 -maxdepth 1 ! -name BDPLORN.mdb -exec rm -rf {} +; \
	else \
		rm -rf $(BUILD); \
	fi
