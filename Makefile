# The two commands of the README, and their helpers. Every target installs what
# is missing first (scripts/bootstrap).

JOBS ?= 2
export WINEDEBUG ?= -all
JAVA ?= java
LINUX := build/linux
WINDOWS := build/windows

.PHONY: all bootstrap wine-up test-asan test-tsan build-fuzz fuzz test-fuzz coverage build build-linux build-windows test test-linux test-windows test-maven test-compat demo bench bench-jvm bench-trace javadoc dist check-reproducible clean

all: build

bootstrap:
	@scripts/bootstrap

build: build-linux build-windows

build-linux: bootstrap
	cmake --preset linux
	cmake --build $(LINUX) -j $(JOBS)

# The Linux tests again under AddressSanitizer and UndefinedBehaviorSanitizer:
# any finding ends its test program with a failure. This build takes the
# portable scanning and escaping paths (VORLAN_PORTABLE_SCAN), which the SSE2
# builds never run.
test-asan: bootstrap
	cmake --preset asan
	cmake --build build/asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build/asan -j $(JOBS) --output-on-failure

# The concurrency tests under ThreadSanitizer: any data race ends its test
# program with a failure.
test-tsan: bootstrap
	cmake --preset tsan
	cmake --build build/tsan -j $(JOBS) --target vorlan_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir build/tsan -R Concurrency -j $(JOBS) --output-on-failure

# libFuzzer targets: `make fuzz` runs each for FUZZ_SECONDS, `make test` briefly;
# both end with the executions per target. FUZZ_MERGE=1 adds what the run
# found to the committed corpora, minimised.
FUZZ_SECONDS ?= 60
FUZZ_MERGE ?=
build-fuzz: bootstrap
	cmake --preset fuzz
	cmake --build build/fuzz -j $(JOBS) --target fuzz_targets

fuzz: build-fuzz
	scripts/run-fuzz build/fuzz $(FUZZ_SECONDS) $(if $(FUZZ_MERGE),--merge)

test-fuzz: build-fuzz
	scripts/run-fuzz build/fuzz 5

# Line and branch coverage of log/, engine/, xml/ and bridge/ by the Linux
# tests (C++ and JUnit), unoptimised: a table on the terminal and an HTML report
# in build/coverage/html/. Not part of `make test`.
COVERAGE := build/coverage
coverage: bootstrap
	cmake --preset coverage
	cmake --build $(COVERAGE) -j $(JOBS)
	find $(COVERAGE) -name '*.gcda' -delete
	ctest --test-dir $(COVERAGE) -j $(JOBS) --output-on-failure
	scripts/coverage $(COVERAGE)

# One persistent wine server for the build (test discovery runs the programs)
# and the tests: each program then starts in a fraction of a second. Wine's
# own services start with the first program and keep its output open, so they
# are started here, with their output going nowhere, and not by a test.
wine-up:
	@wineserver -p >/dev/null 2>&1 </dev/null || true
	@wine cmd /c exit >/dev/null 2>&1 </dev/null || true

build-windows: bootstrap wine-up
	cmake --preset windows
	cmake --build $(WINDOWS) -j $(JOBS)

test: test-linux test-asan test-tsan test-fuzz test-windows test-maven

test-linux: build-linux
	ctest --test-dir $(LINUX) -j $(JOBS) --output-on-failure

test-windows: build-windows
	ctest --test-dir $(WINDOWS) -j $(JOBS) --output-on-failure; status=$$?; wineserver -k || true; exit $$status

# The release as a Java team takes it: the two test builds packed as make dist
# packs its own, then a Maven project that depends on the coordinates alone,
# built offline and run against the sample engine.
test-maven: build-linux build-windows
	cmake --build $(LINUX) --target javadoc
	scripts/dist $(LINUX) $(WINDOWS) build/test-dist
	scripts/maven-consumer build/test-dist/maven $(LINUX)/sample-engine/libVorlan.so

# The Linux build on an older distribution: the JUnit suite under each JDK of a
# minimal Debian 11 root, and the engine check there (scripts/test-compat).
# The root is made once from the machine's Debian mirror and kept in
# /var/tmp/vorlan-compat for later runs. Needs root. Not part of make test.
test-compat: build-linux
	scripts/test-compat $(LINUX)

# The demo analyses this repository's own sources with the sample engine; name
# another source tree with DEMO_SOURCES=/path/to/tree. Only what it runs is
# built: the library, the sample engine and the two jars. The loader takes the
# library of this build, named by its property.
DEMO_SOURCES ?=
demo: bootstrap
	cmake --preset linux
	cmake --build $(LINUX) -j $(JOBS) --target VorlanBridge VorlanSampleEngine VorlanBridgeDemo
	$(JAVA) -Dvorlan.bridge.library=$(LINUX)/libVorlanBridge.so \
	  -cp $(LINUX)/java/vorlan-bridge.jar:$(LINUX)/java/vorlan-demo.jar Demo \
	  $(LINUX)/sample-engine/libVorlan.so $(DEMO_SOURCES)

# vorlan_peers: the writers, the reader and the escaping against tinyxml2,
# libxml2 and a copy floor, as a table (also in $(LINUX)/bench-table.md);
# then the Google Benchmark figures, briefly; then bench-jvm.
BENCH_MIN_TIME ?= 0.1
bench: bootstrap
	cmake --preset linux -DVORLAN_BUILD_BENCH=ON
	cmake --build $(LINUX) -j $(JOBS) --target vorlan_peers vorlan_bench
	$(LINUX)/vorlan_peers $(LINUX)/bench-table.md
	$(LINUX)/vorlan_bench --benchmark_min_time=$(BENCH_MIN_TIME)
	cmake --build $(LINUX) -j $(JOBS) --target bench-jvm

# The bridge in a real JVM against the JNA road, the FFM roads (where a JDK 25 is
# installed) and the floor, per call and per document (docs/jvm-benchmark.md);
# the table also goes to $(LINUX)/bench-jvm.md.
bench-jvm: bootstrap
	cmake --preset linux
	cmake --build $(LINUX) -j $(JOBS) --target bench-jvm

# Traced calls to a log file against standard output, this tree's library
# beside the landed one (VORLAN_TRACE_BEFORE); the table also goes to
# $(LINUX)/bench-trace.md.
bench-trace: bootstrap
	cmake --preset linux
	cmake --build $(LINUX) -j $(JOBS) --target bench-trace

# The reference of the native methods as HTML: build/linux/javadoc/index.html.
javadoc: bootstrap
	cmake --preset linux
	cmake --build $(LINUX) --target javadoc

# The release in dist/, built without tests: the archives, their debug
# archives and the Maven folder (scripts/dist), listed at the end. Time stamps
# come from the commit, so two runs of one commit give the same bytes.
export SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || echo 315532800)
DIST_LINUX := build/dist-linux
DIST_WINDOWS := build/dist-windows
dist: bootstrap
	cmake --preset dist-linux
	cmake --build $(DIST_LINUX) -j $(JOBS) --target VorlanBridge vorlan-check-engine VorlanBridgeJava javadoc \
	  VorlanSampleEngine VorlanBridgeDemo
	cmake --preset dist-windows
	cmake --build $(DIST_WINDOWS) -j $(JOBS) --target VorlanBridge vorlan-check-engine VorlanSampleEngine
	scripts/check-floor linux $(DIST_LINUX)/libVorlanBridge.so $(DIST_LINUX)/vorlan-check-engine \
	  $(DIST_LINUX)/sample-engine/libVorlan.so
	scripts/check-floor windows $(DIST_WINDOWS)/VorlanBridge.dll $(DIST_WINDOWS)/vorlan-check-engine.exe \
	  $(DIST_WINDOWS)/sample-engine/Vorlan.dll
	scripts/check-floor java $(DIST_LINUX)/java/vorlan-bridge.jar $(DIST_LINUX)/java/vorlan-demo.jar
	scripts/dist $(DIST_LINUX) $(DIST_WINDOWS) dist

# make dist once more in a clone at another path, compared byte for byte.
check-reproducible: dist
	scripts/check-reproducible

clean:
	rm -rf build dist
