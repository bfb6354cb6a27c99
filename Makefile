# Two commands do all the set-up on a fresh machine: `make run` and `make test`.
BUILD ?= build
TYPE ?= Release
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build run test bench sanitize fuzz clean

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
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench:
	@$(MAKE) build BUILD=build-bench CMAKE_ARGS=-DFATHOM_BENCH=ON
	@for b in build-bench/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

sanitize:
	@$(MAKE) test BUILD=build-asan TYPE=Debug CMAKE_ARGS=-DFATHOM_SANITIZE=ON

# Every libFuzzer target for FUZZ_SECONDS (default 60) on a copy of its seed corpus, then a
# summary line per target. Needs clang with its fuzzer runtime (clang, libclang-rt-14-dev).
FUZZ_SECONDS ?= 60
fuzz:
	@$(MAKE) configure BUILD=build-fuzz TYPE=RelWithDebInfo \
		CMAKE_ARGS="-DFATHOM_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang"
	@cmake --build build-fuzz --target fuzz_all -j $(JOBS)
	@status=0; for f in build-fuzz/fuzz/fuzz_*; do \
		name=$$(basename $$f); mkdir -p build-fuzz/corpus/$$name; \
		cp -n fuzz/corpus/$$name/* build-fuzz/corpus/$$name/ 2>/dev/null; \
		if $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 build-fuzz/corpus/$$name \
			> build-fuzz/$$name.log 2>&1; then result=clean; else result=FAILED; status=1; fi; \
		runs=$$(grep -o 'stat::number_of_executed_units: *[0-9]*' build-fuzz/$$name.log | grep -o '[0-9]*$$'); \
		echo "$$name: $$result, $$runs runs in $(FUZZ_SECONDS) s (log build-fuzz/$$name.log)"; \
	done; exit $$status

clean:
	rm -rf build build-bench build-asan build-fuzz
