# Orvelle: `make run` builds every format, installs them where hosts look and runs the main
# job; `make test` builds and runs the whole suite. Both install what is missing first.
BUILD    ?= build
CONFIG   ?= Release
JOBS     ?= $(shell nproc)
ARTEFACTS = $(BUILD)/product/Orvelle_artefacts/$(CONFIG)

.PHONY: all bootstrap configure build install run test bench artwork clean

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(CONFIG) $(CMAKE_ARGS) > $(BUILD).configure.log 2>&1 \
		|| { cat $(BUILD).configure.log; exit 1; }

build: configure
	cmake --build $(BUILD) --config $(CONFIG) -j$(JOBS)

install: build
	@scripts/install-plugins "$(ARTEFACTS)"

run: install
	@scripts/run-main "$(BUILD)"

test: build
	@scripts/with-display ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

bench: build
	$(BUILD)/bench/orvelle_bench --benchmark_counters_tabular=true

artwork:
	tools/artwork/generate

clean:
	rm -rf $(BUILD) $(BUILD).configure.log
