# The README's commands. Everything builds in build/; the ledger build/BDPLORN.mdb is made once and never overwritten.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all configure build program run test bench format clean fuzz test-asan install-user uninstall-user deb

# WERROR=ON turns every warning into an error (CI builds that way).
WERROR ?= OFF
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENTARIL_WERROR=$(WERROR)

all: build

configure:
	@scripts/install-deps.sh
	$(CONFIGURE)

# The program, the tool that makes its ledger and the guide F1 opens, nothing else: what `make run` waits for.
program: configure
	cmake --build $(BUILD) -j $(JOBS) --target quentaril new_ledger guide

build:
	@scripts/install-deps.sh test
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS)

run: program
	$(BUILD)/quentaril

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# QUICK=1 leaves out the million persons and the 50 MB notes (minutes of the run, and of the first, which makes the
# ledgers and keeps them in $(BUILD)/bench-cache).
QUICK ?=
BENCH_TARGETS = quentaril quentaril-newledger startup_probe first_paint_probe bench_text bench_ledger bench_window bench_scale \
	bench_backup bench_jet bench_print bench_find

bench:
	@scripts/install-deps.sh bench
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target $(BENCH_TARGETS)
	QUICK=$(QUICK) scripts/run-benchmarks.sh $(BUILD)

format:
	@scripts/install-deps.sh format
	$(CONFIGURE)
	cmake --build $(BUILD) --target format

# Every test under AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer, in $(ASAN_BUILD); the first
# report fails the test. Leaks inside system libraries are suppressed in tests/sanitizers/lsan.supp.
ASAN_BUILD ?= build-asan
SANITIZER_ENV = ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:print_stacktrace=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0

test-asan:
	@scripts/install-deps.sh test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENTARIL_SANITIZE=ON -DQUENTARIL_WERROR=$(WERROR) \
		-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Builds both libFuzzer targets (clang) and runs FUZZ_TARGET for FUZZ_SECONDS: ledger_roundtrip_fuzzer (the
# ledger's round trips, seeds in fuzz/seeds) or jet_reader_fuzzer (any bytes read as an old Jet ledger, seeds in
# fuzz/jet_seeds). Inputs that found new paths stay in $(FUZZ_BUILD)/corpus/FUZZ_TARGET for the next run, and a
# failing input is saved in $(FUZZ_BUILD)/.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_TARGET ?= ledger_roundtrip_fuzzer
FUZZ_SEEDS_ledger_roundtrip_fuzzer = fuzz/seeds
FUZZ_SEEDS_jet_reader_fuzzer = fuzz/jet_seeds
# libmdb warns on stderr about every damaged page; libFuzzer keeps its own reports when stderr is closed.
FUZZ_FLAGS_jet_reader_fuzzer = -close_fd_mask=2

fuzz:
	@scripts/install-deps.sh fuzz
	@test -n "$(FUZZ_SEEDS_$(FUZZ_TARGET))" || { echo "FUZZ_TARGET is ledger_roundtrip_fuzzer or jet_reader_fuzzer" >&2; exit 2; }
	cmake -S . -B $(FUZZ_BUILD) -DQUENTARIL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target ledger_roundtrip_fuzzer jet_reader_fuzzer
	mkdir -p $(FUZZ_BUILD)/corpus/$(FUZZ_TARGET)
	$(FUZZ_BUILD)/fuzz/$(FUZZ_TARGET) -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $(FUZZ_FLAGS_$(FUZZ_TARGET)) \
		-artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus/$(FUZZ_TARGET) $(FUZZ_SEEDS_$(FUZZ_TARGET))

# The program, a ledger (only when none is there), its launcher and icons, for the current user.
install-user: program
	scripts/install-user.sh $(BUILD)

# Removes program, launcher and icons; never the ledger.
uninstall-user:
	scripts/install-user.sh --uninstall

# The Debian package quentaril_VERSION_ARCH.deb, built in build-deb/ and put here; lintian runs on it.
deb:
	@scripts/install-deps.sh deb
	scripts/make-deb.sh $(JOBS)

# Removes the build but keeps the ledger, which holds the user's notes.
clean:
	@if [ -f $(BUILD)/BDPLORN.mdb ]; then \
		find $(BUILD) -mindepth 1 -maxdepth 1 ! -name BDPLORN.mdb ! -name BDPLORN-sauvegardes -exec rm -rf {} +; \
	else \
		rm -rf $(BUILD); \
	fi
