# Two commands do all the set-up on a fresh machine: `make run` and `make test`.
BUILD ?= build
TYPE ?= Release
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build run test variants bench anchors analyze-command sanitize fuzz soak soak-month clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh

configure: bootstrap
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(TYPE) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/fathomhost --simulate $(ARGS)

test: build
	@JOBS=$(JOBS) bash scripts/fuzz.sh $(FUZZ_SMOKE_SECONDS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Not in CI: every end-to-end scenario across the simulator's variants with seeds 1 to SEEDS
# (`make test` plays one or two seeds of each); failures name the variant and seed to replay.
SEEDS ?= 20
variants: build
	@SEEDS=$(SEEDS) JOBS=$(JOBS) BUILD=$(BUILD) bash scripts/variants.sh

# The benchmarks, then the same inputs through the tools users would otherwise pick
# (bench/anchors: SciPy, pandas, the xbee-api npm package), each figure beside its peer's.
# Debian's python3 carries python3-scipy; a peer not installed is skipped with how to install it.
ANCHOR_PYTHON ?= $(firstword $(wildcard /usr/bin/python3) python3)
bench:
	@$(MAKE) build BUILD=build-bench CMAKE_ARGS="-DFATHOM_BENCH=ON $(CMAKE_ARGS)"
	@for b in build-bench/bench/bench_*; do [ -x "$$b" ] && "$$b"; done
	@$(MAKE) --no-print-directory anchors
	@$(MAKE) --no-print-directory analyze-command

anchors:
	@$(MAKE) build BUILD=build-bench CMAKE_ARGS="-DFATHOM_BENCH=ON $(CMAKE_ARGS)" >/dev/null
	@$(ANCHOR_PYTHON) bench/anchors/anchors.py --build build-bench $(if $(ROUNDS),--rounds $(ROUNDS))

# The whole `fathomhost --analyze` command, a new process each run, on a day of four units and
# on a day of 24 units at 32 samples a second (bench/analyze_command.py).
analyze-command:
	@$(MAKE) build BUILD=build-bench CMAKE_ARGS="-DFATHOM_BENCH=ON $(CMAKE_ARGS)" >/dev/null
	@$(ANCHOR_PYTHON) bench/analyze_command.py --build build-bench --bench-build build-bench $(if $(ROUNDS),--rounds $(ROUNDS))

sanitize:
	@$(MAKE) test BUILD=build-asan TYPE=Debug CMAKE_ARGS=-DFATHOM_SANITIZE=ON

# Every libFuzzer target for FUZZ_SECONDS (default 60) on a copy of its seed corpus, then a
# line per target with its runs and coverage. `make test` runs them FUZZ_SMOKE_SECONDS each
# first; both skip with a message where clang's fuzzer runtime is missing.
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 10
fuzz: bootstrap
	@JOBS=$(JOBS) bash scripts/fuzz.sh $(FUZZ_SECONDS)

# Not in CI: 24 radio units, two wired staffs and a synchronizer through headless mode for
# SOAK_SECONDS (default 10 minutes); samples sent against recorded, memory and CPU.
SOAK_SECONDS ?= 600
soak: build
	@FATHOM_BIN_DIR=$(BUILD) python3 scripts/soak.py $(SOAK_SECONDS)

# Not in CI: a station's month in minutes on a warped calendar (FATHOM_CLOCK): 24 radio units
# recorded with a file a day, the adapter unplugged three times, the disk full once (a tmpfs:
# run as root), the folder removed once; every sample sent is looked for in the files.
# SOAK_DAYS days of SOAK_DAY_SECONDS s each (default 30 of 20 s: about 11 minutes).
SOAK_DAYS ?= 30
SOAK_DAY_SECONDS ?= 20
soak-month: build
	@FATHOM_BIN_DIR=$(BUILD) python3 scripts/soak_month.py --days $(SOAK_DAYS) --day-seconds $(SOAK_DAY_SECONDS)

clean:
	rm -rf build build-bench build-asan build-fuzz
