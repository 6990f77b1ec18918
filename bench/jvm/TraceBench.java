import com.sun.jna.Library;
import com.sun.jna.Native;
import com.vorlanworks.bridge.caller.VorlanBridge;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.ZonedDateTime;
import java.time.format.DateTimeFormatter;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.atomic.AtomicLong;

/**
 * Traced calls (log level 2) to a log file against the same calls traced to standard output, from
 * 1 and from 8 threads, for two bridge libraries in one JVM: the library built from an earlier
 * commit ("before") and this tree's ("after"). Each library is loaded by a class loader of its
 * own, so each has its own VorlanBridge class, natives and logger; both drive the same benchmark
 * engine. Standard output is the file the JVM's standard output was sent to (make bench-trace
 * sends it to a file beside the log file); the table goes to standard error and to --out.
 *
 * <p>usage: TraceBench --before LIB --after LIB --engine LIB --dir DIR --stdout FILE [--out FILE]
 * [--seconds S] [--rounds N]
 */
public final class TraceBench {
    /** The benchmark engine's control entry (bench/jvm/BenchEngine.cpp). */
    interface BenchEngine extends Library {
        int benchEngineServe(int document, int size);
    }

    /**
     * One bridge library, loaded by the class loader that loads this class: System.load binds the
     * library to the loader of its caller. Driven by reflection from the application's loader.
     */
    public static final class Road {
        private final VorlanBridge bridge = new VorlanBridge();

        public Road(String library, String engine) {
            System.load(library);
            final String answer = bridge.initJniBridge(engine);
            if (!"OK".equals(answer)) throw new IllegalStateException(library + ": " + answer);
        }

        /** The log file, or "" for standard output; the threshold. */
        public void trace(String logFile, int level) {
            bridge.setNativeLogFile(logFile);
            bridge.setDebugLevel(level);
        }

        /** Makes `call` from `threads` threads at once for `seconds`; the calls made. */
        public long run(String call, int threads, double seconds) throws InterruptedException {
            final CountDownLatch start = new CountDownLatch(1);
            final AtomicLong calls = new AtomicLong();
            final Thread[] running = new Thread[threads];
            for (int t = 0; t < threads; ++t) {
                running[t] = new Thread(() -> {
                    long made = 0, acc = 0;
                    try {
                        start.await();
                    } catch (InterruptedException e) {
                        return;
                    }
                    final long end = System.nanoTime() + (long) (seconds * 1e9);
                    if (call.equals("getCurrentLanguage")) {
                        while (System.nanoTime() < end) {
                            acc += bridge.getCurrentLanguage();
                            ++made;
                        }
                    } else {
                        while (System.nanoTime() < end) {
                            acc += bridge.getDiagnostics("/src/a.c", null, null, 0).length;
                            ++made;
                        }
                    }
                    calls.addAndGet(made + (acc == Long.MIN_VALUE ? 1 : 0));
                });
                running[t].start();
            }
            start.countDown();
            for (Thread thread : running) thread.join();
            return calls.get();
        }
    }

    /** One measured combination and its samples, in seconds per call. */
    static final class Cell {
        final String call;
        final int threads;
        final boolean toFile;
        final int library;
        final List<Double> samples = new ArrayList<>();
        long lines;

        Cell(String call, int threads, boolean toFile, int library) {
            this.call = call;
            this.threads = threads;
            this.toFile = toFile;
            this.library = library;
        }

        double median() {
            final double[] s = samples.stream().mapToDouble(Double::doubleValue).sorted().toArray();
            return s.length % 2 == 1 ? s[s.length / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
        }
    }

    public static void main(String[] args) throws Exception {
        String before = null, after = null, engine = null, dir = null, stdout = null, out = null;
        double seconds = 0.25;
        int rounds = 7;
        for (int i = 0; i < args.length; ++i) {
            switch (args[i]) {
                case "--before": before = absolute(args[++i]); break;
                case "--after": after = absolute(args[++i]); break;
                case "--engine": engine = absolute(args[++i]); break;
                case "--dir": dir = absolute(args[++i]); break;
                case "--stdout": stdout = absolute(args[++i]); break;
                case "--out": out = args[++i]; break;
                case "--seconds": seconds = Double.parseDouble(args[++i]); break;
                case "--rounds": rounds = Integer.parseInt(args[++i]); break;
                default: fail("unknown argument " + args[i]);
            }
        }
        if (before == null || after == null || engine == null || dir == null || stdout == null)
            fail("--before, --after, --engine, --dir and --stdout are needed");

        // The same ten diagnostics for every getDiagnostics, from both libraries.
        final BenchEngine control = Native.load(engine, BenchEngine.class);
        if (control.benchEngineServe(0, 10) != 0) fail("the benchmark engine cannot serve diagnostics");

        final String[] libraries = {before, after};
        final Object[] roads = new Object[2];
        for (int l = 0; l < 2; ++l) roads[l] = load(libraries[l], engine);
        final String[] logs = {Path.of(dir, "before.log").toString(), Path.of(dir, "after.log").toString()};

        final List<Cell> cells = new ArrayList<>();
        for (String call : new String[] {"getCurrentLanguage", "getDiagnostics"})
            for (int threads : new int[] {1, 8})
                for (int library = 0; library < 2; ++library)
                    for (boolean toFile : new boolean[] {false, true}) cells.add(new Cell(call, threads, toFile, library));

        final String loadBefore = JvmBench.loadAverage();
        // A warm-up round, not counted, then the rounds, every cell once in each.
        for (int round = -1; round < rounds; ++round) {
            progress(round < 0 ? "warm-up" : "round " + (round + 1) + " of " + rounds);
            for (Cell c : cells) {
                final Object road = roads[c.library];
                final String target = c.toFile ? logs[c.library] : "";
                // Each cell starts on an empty file: setNativeLogFile empties the log file.
                new FileOutputStream(stdout).close();
                invoke(road, "trace", target, 2);
                final long calls = (Long) invoke(road, "run", c.call, c.threads, round < 0 ? seconds / 2 : seconds);
                invoke(road, "trace", "", 0);
                if (round < 0) {
                    c.lines = lines(Path.of(c.toFile ? logs[c.library] : stdout)) / Math.max(1, calls);
                    continue;
                }
                c.samples.add(seconds / calls);
            }
        }
        new FileOutputStream(stdout).close();
        for (String log : logs) Files.deleteIfExists(Path.of(log));

        final String table = table(cells, libraries, dir, loadBefore, JvmBench.loadAverage(), seconds, rounds);
        System.err.print(table);
        if (out != null) Files.writeString(Path.of(out), table, StandardCharsets.UTF_8);
    }

    private static Object load(String library, String engine) throws Exception {
        final List<URL> urls = new ArrayList<>();
        for (String entry : System.getProperty("java.class.path").split(File.pathSeparator))
            urls.add(Path.of(entry).toUri().toURL());
        final ClassLoader loader = new URLClassLoader(urls.toArray(new URL[0]), ClassLoader.getPlatformClassLoader());
        return Class.forName(Road.class.getName(), true, loader).getConstructor(String.class, String.class)
                .newInstance(library, engine);
    }

    private static Object invoke(Object road, String method, Object... args) throws Exception {
        for (java.lang.reflect.Method m : road.getClass().getMethods())
            if (m.getName().equals(method)) return m.invoke(road, args);
        throw new NoSuchMethodException(method);
    }

    private static long lines(Path file) throws IOException {
        long n = 0;
        for (byte b : Files.readAllBytes(file)) n += b == '\n' ? 1 : 0;
        return n;
    }

    private static String table(List<Cell> cells, String[] libraries, String dir, String loadBefore, String loadAfter,
            double seconds, int rounds) {
        final StringBuilder t = new StringBuilder();
        t.append("# Traced calls: a log file against standard output\n\n");
        t.append(String.format(Locale.ROOT, "- run: %s%n", ZonedDateTime.now().format(DateTimeFormatter.ISO_OFFSET_DATE_TIME)));
        t.append(String.format(Locale.ROOT, "- JVM: %s %s, %d cores, %s %s%n", System.getProperty("java.vm.name"),
                System.getProperty("java.runtime.version"), Runtime.getRuntime().availableProcessors(),
                System.getProperty("os.name"), System.getProperty("os.version")));
        t.append(String.format(Locale.ROOT, "- before: %s%n- after: %s%n", libraries[0], libraries[1]));
        t.append(String.format(Locale.ROOT, "- log file and standard output: files in %s%n", dir));
        t.append(String.format(Locale.ROOT, "- load average (1, 5, 15 minutes): %s at the start, %s at the end%n",
                loadBefore, loadAfter));
        t.append(String.format(Locale.ROOT, "- log level 2; %s s per cell and round, %d rounds after a warm-up, the"
                + " cells taking turns in each round; the median of the rounds%n%n", seconds, rounds));
        t.append("Microseconds per call: the time over the calls that all threads made together. \"file / stdout\":"
                + " the log file's time over standard output's, same library.\n\n");
        t.append("| call | threads | lines per call | library | stdout µs | file µs | file / stdout | file lines/s |\n");
        t.append("|---|--:|--:|---|--:|--:|--:|--:|\n");
        final List<String> goals = new ArrayList<>();
        for (int i = 0; i < cells.size(); i += 2) {
            final Cell stdout = cells.get(i), file = cells.get(i + 1);
            final double ratio = file.median() / stdout.median();
            t.append(String.format(Locale.ROOT, "| %s | %d | %d | %s | %.2f | %.2f | %.2f | %,.0f |\n", stdout.call,
                    stdout.threads, file.lines, stdout.library == 0 ? "before" : "after", stdout.median() * 1e6,
                    file.median() * 1e6, ratio, file.lines / file.median()));
            if (stdout.library == 1)
                goals.add(String.format(Locale.ROOT, "%s, %d thread%s: %.2fx", stdout.call, stdout.threads,
                        stdout.threads == 1 ? "" : "s", ratio));
        }
        t.append("\nGoal, a traced call to a log file within 1.5x of the same call traced to standard output (after): ")
                .append(String.join("; ", goals)).append(".\n");
        return t.toString();
    }

    private static String absolute(String path) {
        return Path.of(path).toAbsolutePath().toString();
    }

    private static void progress(String what) {
        System.err.println("bench-trace: " + what);
    }

    private static void fail(String problem) {
        System.err.println("bench-trace: " + problem);
        System.exit(1);
    }

    private TraceBench() {}
}
