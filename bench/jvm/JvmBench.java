import com.sun.jna.Library;
import com.sun.jna.Native;
import com.vorlanworks.bridge.caller.VorlanBridge;

import java.io.File;
import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintStream;
import java.lang.management.GarbageCollectorMXBean;
import java.lang.management.ManagementFactory;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.ZonedDateTime;
import java.time.format.DateTimeFormatter;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import java.util.function.Function;
import java.util.function.IntToLongFunction;
import java.util.function.Supplier;

/**
 * The bridge in a real JVM: forwarded scalar calls against the same engine entries called through
 * JNA (and through FFM, see below) and against an empty JNI native method; the four documents
 * against the JNA road (JnaRoad), the two FFM roads and the floor (a new byte[] of the document's
 * size and one System.arraycopy into it), at three sizes ten times apart. Every road's bytes are
 * checked against the bridge's before any timing. Prints a Markdown table and writes it to the file
 * given with --out.
 *
 * <p>The FFM roads (Ffm) take part where the JVM is 22 or later and has them on its classpath; the
 * harness says in one line when they do not.
 *
 * <p>usage: JvmBench --bridge LIB --engine LIB --natives LIB [--before LIB] [--out FILE] [--check]
 * [--profile DOCUMENT SIZE SECONDS bridge|jna|ffm|ffm-tuned]
 *
 * <p>--before adds the per-call rows and the documents of a second bridge library (an earlier
 * commit's), loaded by a class loader of its own as TraceBench loads it, beside this one's in the
 * same run.
 *
 * <p>--check only compares the other roads' bytes and answers with the bridge's, at the smallest
 * size of each document, and exits with 1 on a difference. --profile fetches one document
 * (named by the start of its name: diagnostics, rule, message, trees) over one road for the given time, for a profiler.
 */
public final class JvmBench {
    /** The benchmark engine's control entry (bench/jvm/BenchEngine.cpp). */
    interface BenchEngine extends Library {
        int benchEngineServe(int document, int size);
    }

    /** One of the four documents: its engine code, what its size counts, its sizes and its roads. */
    static final class Document {
        final String name;
        final int code;
        final String unit;
        final int[] sizes;
        final Supplier<byte[]> bridge;
        final Supplier<byte[]> jna;
        /** The FFM roads, plain and tuned; null without them. */
        final Supplier<byte[]> ffmPlain, ffmTuned;

        Document(String name, int code, String unit, int[] sizes, Supplier<byte[]> bridge, Supplier<byte[]> jna,
                Supplier<byte[]> ffmPlain, Supplier<byte[]> ffmTuned) {
            this.name = name;
            this.code = code;
            this.unit = unit;
            this.sizes = sizes;
            this.bridge = bridge;
            this.jna = jna;
            this.ffmPlain = ffmPlain;
            this.ffmTuned = ffmTuned;
        }
    }

    static final String SOURCE_FILE = "/src/a.c";
    /** initResults' three strings: a key, a project folder and a name, as a project would pass them. */
    static final String[] RESULTS_STRINGS = {"bench-key", "/home/user/projects/vorlan-demo", "nightly"};

    /**
     * An earlier bridge library, loaded by the class loader that loads this class (System.load binds
     * a library to the loader of its caller), with the per-call loops of the calls that take strings.
     */
    public static final class Before {
        private final VorlanBridge bridge = new VorlanBridge();

        public Before(String library, String engine) {
            System.load(library);
            bridge.setDebugLevel(0);
            final String answer = bridge.initJniBridge(engine);
            if (!"OK".equals(answer)) throw new IllegalStateException(library + ": " + answer);
        }

        public IntToLongFunction hasResults(String path) {
            return c -> {
                long acc = 0;
                for (int i = 0; i < c; ++i) acc += bridge.hasResults(path) ? 1 : 0;
                return acc;
            };
        }

        /** The document of JvmBench's code (0 to 3) through this library. */
        public Supplier<byte[]> document(int code) {
            switch (code) {
                case 0: return () -> bridge.getDiagnostics(SOURCE_FILE, null, null, 0);
                case 1: return bridge::getRuleGroups;
                case 2: return bridge::getMessageRuleMap;
                default: return () -> bridge.getTrees(false, 0, null);
            }
        }

        public IntToLongFunction initResults(String key, String location, String name) {
            return c -> {
                long acc = 0;
                for (int i = 0; i < c; ++i) acc += bridge.initResults(key, location, name);
                return acc;
            };
        }
    }

    private final VorlanBridge bridge;
    private final JnaRoad jna;
    /** The FFM roads, or null. */
    private final Ffm ffm;
    private final BenchEngine engine;
    private final BenchNatives natives = new BenchNatives();
    private final List<Document> documents = new ArrayList<>();
    /** One line per goal figure, filled by the tables. */
    private final List<String> goals = new ArrayList<>();
    /** The earlier library's loops (Before), or null; and its path. */
    private Object before;
    private String beforeLibrary;

    private JvmBench(VorlanBridge bridge, JnaRoad jna, Ffm ffm, BenchEngine engine) {
        this.bridge = bridge;
        this.jna = jna;
        this.ffm = ffm;
        this.engine = engine;
        final Ffm.Road plain = ffm != null ? ffm.plain() : null, tuned = ffm != null ? ffm.tuned() : null;
        documents.add(new Document("diagnostics", 0, "diagnostics", new int[] {100, 1_000, 10_000},
                () -> bridge.getDiagnostics(SOURCE_FILE, null, null, 0), () -> jna.diagnostics(SOURCE_FILE),
                ffm != null ? () -> plain.diagnostics(SOURCE_FILE) : null,
                ffm != null ? () -> tuned.diagnostics(SOURCE_FILE) : null));
        documents.add(new Document("rule groups", 1, "rules", new int[] {200, 2_000, 20_000},
                bridge::getRuleGroups, jna::ruleGroups, ffm != null ? plain::ruleGroups : null,
                ffm != null ? tuned::ruleGroups : null));
        documents.add(new Document("message-rule map", 2, "mappings", new int[] {1_000, 10_000, 100_000},
                bridge::getMessageRuleMap, jna::messageRuleMap, ffm != null ? plain::messageRuleMap : null,
                ffm != null ? tuned::messageRuleMap : null));
        documents.add(new Document("trees", 3, "files", new int[] {500, 5_000, 50_000},
                () -> bridge.getTrees(false, 0, null), jna::trees, ffm != null ? plain::trees : null,
                ffm != null ? tuned::trees : null));
    }

    public static void main(String[] args) throws IOException {
        String bridgePath = null, enginePath = null, nativesPath = null, beforePath = null, out = null;
        boolean check = false;
        String[] profile = null;
        for (int i = 0; i < args.length; ++i) {
            switch (args[i]) {
                case "--bridge": bridgePath = absolute(args[++i]); break;
                case "--engine": enginePath = absolute(args[++i]); break;
                case "--natives": nativesPath = absolute(args[++i]); break;
                case "--before": beforePath = absolute(args[++i]); break;
                case "--out": out = args[++i]; break;
                case "--check": check = true; break;
                case "--profile":
                    if (i + 4 >= args.length) usage("--profile needs a document, a size, seconds and a road");
                    profile = Arrays.copyOfRange(args, i + 1, i + 5);
                    i += 4;
                    break;
                default: usage("unknown argument " + args[i]);
            }
        }
        if (bridgePath == null || enginePath == null || nativesPath == null) usage("--bridge, --engine and --natives are needed");

        System.load(nativesPath);
        quietNativeStdout();
        System.load(bridgePath);
        final VorlanBridge bridge = new VorlanBridge();
        bridge.setDebugLevel(0);
        final String answer = bridge.initJniBridge(enginePath);
        if (!"OK".equals(answer)) fail("the bridge cannot load the benchmark engine " + enginePath + ": " + answer);
        final JvmBench bench = new JvmBench(bridge, new JnaRoad(enginePath), Ffm.load(enginePath),
                Native.load(enginePath, BenchEngine.class));

        if (beforePath != null && !check && profile == null) {
            try {
                final List<URL> urls = new ArrayList<>();
                for (String entry : System.getProperty("java.class.path").split(File.pathSeparator))
                    urls.add(Path.of(entry).toUri().toURL());
                final ClassLoader loader = new URLClassLoader(urls.toArray(new URL[0]), ClassLoader.getPlatformClassLoader());
                bench.before = Class.forName(Before.class.getName(), true, loader).getConstructor(String.class, String.class)
                        .newInstance(beforePath, enginePath);
                bench.beforeLibrary = beforePath;
            } catch (ReflectiveOperationException e) {
                fail("cannot load the earlier library " + beforePath + ": " + e.getCause());
            }
        }
        if (profile != null) {
            bench.profile(profile[0], Integer.parseInt(profile[1]), Double.parseDouble(profile[2]), profile[3]);
            return;
        }
        if (check) {
            bench.checkAnswers();
            for (Document d : bench.documents) bench.serveChecked(d, d.sizes[0]);
            if (bench.ffm == null) {
                System.out.println("jvm-bench check: " + (2 + bench.documents.size()) + " passed, 0 failed");
            } else {
                final int texts = bench.ffm.checkTexts();
                // The JNA road's answers and documents, FFM's two answers, and the documents of both FFM roads.
                final int checks = 2 + bench.documents.size() + 2 + 2 * bench.documents.size();
                System.out.println("jvm-bench check: " + checks + " passed, 0 failed (JNA and FFM roads),"
                        + " and the tuned FFM road's copy of " + texts + " texts");
            }
            return;
        }
        final String table = bench.run();
        System.out.print(table);
        if (out != null) Files.writeString(Path.of(out), table, StandardCharsets.UTF_8);
    }

    // ---- the run --------------------------------------------------------------------------

    private String run() throws IOException {
        final StringBuilder md = new StringBuilder();
        final String loadBefore = loadAverage();
        checkAnswers();
        final String calls = perCallTable();
        final String docs = documentTables();
        md.append("# The bridge in a real JVM\n\n");
        md.append(environment(loadBefore, loadAverage()));
        md.append(calls).append(docs);
        return md.toString();
    }

    /** Both roads answer the same for the scalar calls; exits otherwise. */
    private void checkAnswers() {
        final int language = bridge.getCurrentLanguage();
        if (language != JnaRoad.Direct.getCurrentLanguage() || language != jna.engine.getCurrentLanguage())
            fail("getCurrentLanguage differs between the bridge and JNA");
        final boolean results = bridge.hasResults(SOURCE_FILE);
        if (results != (JnaRoad.Direct.hasResults(SOURCE_FILE) != 0) || results != (jna.engine.hasResults(SOURCE_FILE) != 0))
            fail("hasResults differs between the bridge and JNA");
        if (ffm != null && (language != ffm.getCurrentLanguage() || results != ffm.hasResults(SOURCE_FILE)))
            fail("getCurrentLanguage or hasResults differs between the bridge and FFM");
    }

    private String perCallTable() {
        final Timing.Plan plan = new Timing.Plan(0.02, 1.5, 15);
        final BenchNatives n = natives;
        final JnaRoad.Engine e = jna.engine;
        final List<Timing.Candidate> language = new ArrayList<>(List.of(
                new Timing.Candidate("empty JNI native, `int f()`", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += n.emptyInt();
                    return acc;
                }),
                new Timing.Candidate("bridge `getCurrentLanguage()`", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += bridge.getCurrentLanguage();
                    return acc;
                }),
                new Timing.Candidate("JNA direct mapping", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += JnaRoad.Direct.getCurrentLanguage();
                    return acc;
                }),
                new Timing.Candidate("JNA interface mapping", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += e.getCurrentLanguage();
                    return acc;
                })));
        final List<Timing.Candidate> results = new ArrayList<>(List.of(
                new Timing.Candidate("empty JNI native, `boolean f(String)`", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += n.emptyWithString(SOURCE_FILE) ? 1 : 0;
                    return acc;
                }),
                new Timing.Candidate("JNI native reading the text: GetStringUTFChars, Release", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += n.readString(SOURCE_FILE) ? 1 : 0;
                    return acc;
                }),
                new Timing.Candidate("JNI native reading the text: GetStringUTFRegion to the stack", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += n.readStringToStack(SOURCE_FILE) ? 1 : 0;
                    return acc;
                }),
                new Timing.Candidate("bridge `hasResults(\"" + SOURCE_FILE + "\")`", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += bridge.hasResults(SOURCE_FILE) ? 1 : 0;
                    return acc;
                }),
                new Timing.Candidate("bridge `initResults` (three strings)", c -> {
                    long acc = 0;
                    final String[] r = RESULTS_STRINGS;
                    for (int i = 0; i < c; ++i) acc += bridge.initResults(r[0], r[1], r[2]);
                    return acc;
                }),
                new Timing.Candidate("JNA direct mapping", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += JnaRoad.Direct.hasResults(SOURCE_FILE);
                    return acc;
                }),
                new Timing.Candidate("JNA interface mapping", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) acc += e.hasResults(SOURCE_FILE);
                    return acc;
                })));
        if (before != null) {
            final IntToLongFunction has = (IntToLongFunction) invoke(before, "hasResults", SOURCE_FILE);
            final IntToLongFunction init = (IntToLongFunction) invoke(before, "initResults", (Object[]) RESULTS_STRINGS);
            results.add(5, new Timing.Candidate("earlier bridge `hasResults(\"" + SOURCE_FILE + "\")`", has::applyAsLong));
            results.add(6, new Timing.Candidate("earlier bridge `initResults` (three strings)", init::applyAsLong));
        }
        if (ffm != null) {
            language.addAll(ffm.languageCalls());
            results.addAll(ffm.resultsCalls(SOURCE_FILE));
        }
        progress("per call: getCurrentLanguage");
        Timing.measure(language, plan);
        progress("per call: hasResults");
        Timing.measure(results, plan);

        final StringBuilder t = new StringBuilder();
        t.append("## Per call (log threshold 0)\n\n");
        t.append("ns per call: median of the rounds (min to max), wall-clock; thread CPU time beside it. \"x empty\":"
                + " the median over the empty native method's. \u2020: the warm-up ended at its time limit with the times"
                + " still falling.\n\n");
        t.append("| call | road | ns | min to max | x empty | CPU ns | x empty (CPU) |\n");
        t.append("|---|---|--:|--:|--:|--:|--:|\n");
        for (List<Timing.Candidate> group : List.of(language, results)) {
            final Timing.Candidate empty = group.get(0);
            for (Timing.Candidate c : group) {
                final String call = group == language ? "getCurrentLanguage"
                        : c.name.contains("initResults") ? "initResults" : "hasResults";
                t.append(String.format(Locale.ROOT, "| %s | %s | %s%s | %s to %s | %.2f | %s | %.2f |\n",
                        call, c.name, ns(c.median()), mark(c), ns(c.min()), ns(c.max()), c.median() / empty.median(),
                        ns(c.cpuMedian()), c.cpuMedian() / empty.cpuMedian()));
            }
        }
        if (before != null) t.append("Earlier bridge: " + beforeLibrary + ", in a class loader of its own.\n");
        t.append('\n');
        goals.add(String.format(Locale.ROOT, "a call with one short String within 5x of an empty JNI native method"
                        + " (`boolean f(String)`): hasResults %.2fx (in thread CPU time %.2fx)%s",
                results.get(3).median() / results.get(0).median(), results.get(3).cpuMedian() / results.get(0).cpuMedian(),
                before == null ? "" : String.format(Locale.ROOT, "; the earlier bridge %.2fx (%.2fx)",
                        results.get(5).median() / results.get(0).median(),
                        results.get(5).cpuMedian() / results.get(0).cpuMedian())));
        goals.add(String.format(Locale.ROOT, "forwarded call within 1.3x an empty JNI native method:"
                        + " getCurrentLanguage %.2fx, hasResults %.2fx (in thread CPU time %.2fx, %.2fx)",
                language.get(1).median() / language.get(0).median(), results.get(3).median() / results.get(0).median(),
                language.get(1).cpuMedian() / language.get(0).cpuMedian(),
                results.get(3).cpuMedian() / results.get(0).cpuMedian()));
        return t.toString();
    }


    /** One measured document size: bytes and the candidates (the FFM ones null without FFM). */
    static final class Row {
        final Document document;
        final int size;
        final int bytes;
        /** The earlier bridge (--before) is null without one. */
        final Timing.Candidate bridge, jna, ffmPlain, ffmTuned, floor, earlier;

        Row(Document document, int size, int bytes, Timing.Candidate bridge, Timing.Candidate jna,
                Timing.Candidate ffmPlain, Timing.Candidate ffmTuned, Timing.Candidate floor, Timing.Candidate earlier) {
            this.document = document;
            this.size = size;
            this.bytes = bytes;
            this.bridge = bridge;
            this.jna = jna;
            this.ffmPlain = ffmPlain;
            this.ffmTuned = ffmTuned;
            this.floor = floor;
            this.earlier = earlier;
        }
    }

    private static Timing.Candidate documentCandidate(String name, Supplier<byte[]> road) {
        return new Timing.Candidate(name, c -> {
            long acc = 0;
            for (int i = 0; i < c; ++i) acc += Timing.keep(road.get());
            return acc;
        });
    }

    private String documentTables() {
        final Timing.Plan plan = new Timing.Plan(0.06, 2.0, 11);
        final List<Row> rows = new ArrayList<>();
        for (Document d : documents) {
            for (int size : d.sizes) {
                final byte[] document = serveChecked(d, size);
                progress(String.format(Locale.ROOT, "%s, %,d %s: %,d bytes", d.name, size, d.unit, document.length));
                final Timing.Candidate bridgeRoad = documentCandidate("bridge", d.bridge);
                final Timing.Candidate jnaRoad = documentCandidate("JNA road", d.jna);
                final Timing.Candidate floor = new Timing.Candidate("floor", c -> {
                    long acc = 0;
                    for (int i = 0; i < c; ++i) {
                        final byte[] copy = new byte[document.length];
                        System.arraycopy(document, 0, copy, 0, document.length);
                        acc += Timing.keep(copy);
                    }
                    return acc;
                });
                final List<Timing.Candidate> candidates = new ArrayList<>(List.of(bridgeRoad, jnaRoad, floor));
                Timing.Candidate earlier = null;
                if (before != null) {
                    @SuppressWarnings("unchecked")
                    final Supplier<byte[]> road = (Supplier<byte[]>) invoke(before, "document", d.code);
                    if (!Arrays.equals(road.get(), document))
                        fail("the earlier bridge's " + d.name + " differ from this one's at " + size + " " + d.unit);
                    earlier = documentCandidate("earlier bridge", road);
                    candidates.add(earlier);
                }
                Timing.Candidate ffmPlain = null, ffmTuned = null;
                if (ffm != null) {
                    ffmPlain = documentCandidate("plain FFM road", d.ffmPlain);
                    ffmTuned = documentCandidate("tuned FFM road", d.ffmTuned);
                    candidates.add(2, ffmPlain);
                    candidates.add(3, ffmTuned);
                }
                Timing.measure(candidates, plan);
                rows.add(new Row(d, size, document.length, bridgeRoad, jnaRoad, ffmPlain, ffmTuned, floor, earlier));
            }
        }
        engine.benchEngineServe(-1, 0);  // frees the last record set

        final boolean withFfm = ffm != null;
        final StringBuilder t = new StringBuilder();
        t.append("## Per document\n\n");
        t.append("Milliseconds per document, median of the rounds (min to max), wall-clock; MB/s of document"
                + " bytes. \"JNA / bridge\": the JNA road's time over the bridge's"
                + (withFfm ? ", and so for the plain and the tuned FFM road" : "")
                + "; \"bridge / floor\": the bridge's time over the floor's; \"x time\": the time over the time at a"
                + " tenth of the size; \u2020: the warm-up ended at its time limit with the times still falling.\n\n");
        t.append("| document | size | MB | bridge ms | JNA road ms")
                .append(withFfm ? " | plain FFM ms | tuned FFM ms" : "")
                .append(" | floor ms | bridge MB/s | JNA MB/s | floor MB/s | JNA / bridge")
                .append(withFfm ? " | plain FFM / bridge | tuned FFM / bridge" : "")
                .append(" | bridge / floor | x time bridge | x time JNA |\n");
        t.append("|---|---|--:|--:|--:").append(withFfm ? "|--:|--:" : "")
                .append("|--:|--:|--:|--:|--:").append(withFfm ? "|--:|--:" : "").append("|--:|--:|--:|\n");
        Row previous = null;
        for (Row r : rows) {
            final boolean follows = previous != null && previous.document == r.document;
            t.append(String.format(Locale.ROOT, "| %s | %,d %s | %.2f | %s | %s", r.document.name, r.size,
                    r.document.unit, r.bytes / 1e6, ms(r.bridge), ms(r.jna)));
            if (withFfm) t.append(" | ").append(ms(r.ffmPlain)).append(" | ").append(ms(r.ffmTuned));
            t.append(String.format(Locale.ROOT, " | %s | %.0f | %.0f | %.0f | %.1f", ms(r.floor),
                    r.bytes / 1e6 / r.bridge.median(), r.bytes / 1e6 / r.jna.median(), r.bytes / 1e6 / r.floor.median(),
                    r.jna.median() / r.bridge.median()));
            if (withFfm)
                t.append(String.format(Locale.ROOT, " | %.2f | %.2f", r.ffmPlain.median() / r.bridge.median(),
                        r.ffmTuned.median() / r.bridge.median()));
            t.append(String.format(Locale.ROOT, " | %.2f | %s | %s |\n", r.bridge.median() / r.floor.median(),
                    follows ? String.format(Locale.ROOT, "%.1f", r.bridge.median() / previous.bridge.median()) : "",
                    follows ? String.format(Locale.ROOT, "%.1f", r.jna.median() / previous.jna.median()) : ""));
            previous = r;
        }
        t.append("\nThe same rounds in thread CPU time (the benchmark thread only: time spent waiting for a core,"
                + " and the garbage collector's own threads, do not count).\n\n");
        t.append("| document | size | bridge ms | JNA road ms").append(withFfm ? " | plain FFM ms | tuned FFM ms" : "")
                .append(" | floor ms | JNA / bridge").append(withFfm ? " | plain FFM / bridge | tuned FFM / bridge" : "")
                .append(" | bridge / floor").append(before != null ? " | earlier ms | bridge / earlier" : "").append(" |\n");
        t.append("|---|---|--:|--:").append(withFfm ? "|--:|--:" : "").append("|--:|--:")
                .append(withFfm ? "|--:|--:" : "").append("|--:").append(before != null ? "|--:|--:" : "").append("|\n");
        for (Row r : rows) {
            t.append(String.format(Locale.ROOT, "| %s | %,d %s | %s | %s", r.document.name, r.size, r.document.unit,
                    millis(r.bridge.cpuMedian()), millis(r.jna.cpuMedian())));
            if (withFfm)
                t.append(" | ").append(millis(r.ffmPlain.cpuMedian())).append(" | ").append(millis(r.ffmTuned.cpuMedian()));
            t.append(String.format(Locale.ROOT, " | %s | %.1f", millis(r.floor.cpuMedian()),
                    r.jna.cpuMedian() / r.bridge.cpuMedian()));
            if (withFfm)
                t.append(String.format(Locale.ROOT, " | %.2f | %.2f", r.ffmPlain.cpuMedian() / r.bridge.cpuMedian(),
                        r.ffmTuned.cpuMedian() / r.bridge.cpuMedian()));
            t.append(String.format(Locale.ROOT, " | %.2f", r.bridge.cpuMedian() / r.floor.cpuMedian()));
            if (r.earlier != null)
                t.append(String.format(Locale.ROOT, " | %s | %.2f", millis(r.earlier.cpuMedian()),
                        r.bridge.cpuMedian() / r.earlier.cpuMedian()));
            t.append(" |\n");
        }
        if (before != null) t.append("\nEarlier bridge: " + beforeLibrary + ", in a class loader of its own.\n");

        Row slowest = rows.get(0), slowestCpu = rows.get(0);
        final StringBuilder middle = new StringBuilder();
        for (Row r : rows) {
            if (r.jna.median() / r.bridge.median() < slowest.jna.median() / slowest.bridge.median()) slowest = r;
            if (r.jna.cpuMedian() / r.bridge.cpuMedian() < slowestCpu.jna.cpuMedian() / slowestCpu.bridge.cpuMedian())
                slowestCpu = r;
            if (r.size == r.document.sizes[1])
                middle.append(String.format(Locale.ROOT, "%s%s %.2fx (CPU %.2fx)", middle.length() > 0 ? ", " : "",
                        r.document.name, r.bridge.median() / r.floor.median(), r.bridge.cpuMedian() / r.floor.cpuMedian()));
        }
        goals.add(String.format(Locale.ROOT, "bridge at least 5x faster than the JNA road for every document and size:"
                        + " at least %.1fx (%s, %,d %s); in thread CPU time at least %.1fx (%s, %,d %s)",
                slowest.jna.median() / slowest.bridge.median(), slowest.document.name, slowest.size, slowest.document.unit,
                slowestCpu.jna.cpuMedian() / slowestCpu.bridge.cpuMedian(), slowestCpu.document.name, slowestCpu.size,
                slowestCpu.document.unit));
        goals.add("bridge within 3x the floor at the middle size: " + middle);
        if (withFfm) {
            goals.add("bridge at least 2x as fast as the tuned FFM road and 3x as the plain one, for every document and"
                    + " size, in thread CPU time: tuned at least " + least(rows, r -> r.ffmTuned) + ", plain at least "
                    + least(rows, r -> r.ffmPlain));
        }
        Row farthest = null;
        for (Row r : rows)
            if (r.bytes <= 10_000_000 && (farthest == null
                    || r.bridge.cpuMedian() / r.floor.cpuMedian() > farthest.bridge.cpuMedian() / farthest.floor.cpuMedian()))
                farthest = r;
        if (farthest != null)
            goals.add(String.format(Locale.ROOT, "bridge within 4x the floor at every size up to 10 MB, in thread CPU"
                            + " time: at most %.2fx (%s, %,d %s)", farthest.bridge.cpuMedian() / farthest.floor.cpuMedian(),
                    farthest.document.name, farthest.size, farthest.document.unit));
        if (before != null) {
            Row slower = rows.get(0), faster = rows.get(0);
            for (Row r : rows) {
                if (r.bridge.cpuMedian() / r.earlier.cpuMedian() > slower.bridge.cpuMedian() / slower.earlier.cpuMedian())
                    slower = r;
                if (r.bridge.cpuMedian() / r.earlier.cpuMedian() < faster.bridge.cpuMedian() / faster.earlier.cpuMedian())
                    faster = r;
            }
            goals.add(String.format(Locale.ROOT, "no document slower than the earlier bridge by more than 5%%, in thread CPU"
                            + " time: from %.2fx (%s, %,d %s) to %.2fx (%s, %,d %s) of its time",
                    faster.bridge.cpuMedian() / faster.earlier.cpuMedian(), faster.document.name, faster.size,
                    faster.document.unit, slower.bridge.cpuMedian() / slower.earlier.cpuMedian(), slower.document.name,
                    slower.size, slower.document.unit));
        }
        t.append("\n## Goals\n\nMedians of wall-clock time, and of thread CPU time.\n\n");
        for (String goal : goals) t.append("- ").append(goal).append('\n');
        return t.toString();
    }

    /** The least CPU-time ratio of one road over the bridge, with its document and size. */
    private static String least(List<Row> rows, Function<Row, Timing.Candidate> road) {
        Row least = rows.get(0);
        for (Row r : rows)
            if (road.apply(r).cpuMedian() / r.bridge.cpuMedian() < road.apply(least).cpuMedian() / least.bridge.cpuMedian())
                least = r;
        return String.format(Locale.ROOT, "%.2fx (%s, %,d %s)", road.apply(least).cpuMedian() / least.bridge.cpuMedian(),
                least.document.name, least.size, least.document.unit);
    }

    /** Fetches one document over one road, again and again, for `seconds`. */
    private void profile(String name, int size, double seconds, String road) {
        Document document = null;
        for (Document d : documents)
            if (d.name.startsWith(name)) document = d;
        if (document == null) usage("no document " + name);
        serveChecked(document, size);
        final Supplier<byte[]> fetch = road.equals("jna") ? document.jna : road.equals("ffm") ? document.ffmPlain
                : road.equals("ffm-tuned") ? document.ffmTuned : document.bridge;
        if (fetch == null) usage("no FFM roads in this JVM");
        final long cpu0 = ManagementFactory.getThreadMXBean().getCurrentThreadCpuTime();
        final long end = System.nanoTime() + (long) (seconds * 1e9);
        long calls = 0, acc = 0;
        while (System.nanoTime() < end) {
            acc += Timing.keep(fetch.get());
            ++calls;
        }
        final long cpu = ManagementFactory.getThreadMXBean().getCurrentThreadCpuTime() - cpu0;
        Timing.blackhole += acc;
        System.out.printf(Locale.ROOT, "%s, %,d %s over %s: %,d calls, %.3f ms each (thread CPU time %.3f ms)%n",
                document.name, size, document.unit, road, calls, seconds * 1e3 / calls, cpu / 1e6 / calls);
    }

    /** Serves the document at `size` and returns the bridge's bytes, after checking the other roads'. */
    private byte[] serveChecked(Document d, int size) {
        if (engine.benchEngineServe(d.code, size) != 0) fail("the benchmark engine cannot serve " + d.name);
        final byte[] viaBridge = d.bridge.get();
        if (viaBridge.length == 0) fail("the bridge wrote no " + d.name + " document");
        checkBytes(d, size, viaBridge, "JNA road", d.jna);
        if (d.ffmPlain != null) {
            checkBytes(d, size, viaBridge, "plain FFM road", d.ffmPlain);
            // Twice: the tuned road's second document is written over its first in the kept buffer.
            checkBytes(d, size, viaBridge, "tuned FFM road", d.ffmTuned);
            checkBytes(d, size, viaBridge, "tuned FFM road", d.ffmTuned);
        }
        return viaBridge;
    }

    private static void checkBytes(Document d, int size, byte[] viaBridge, String name, Supplier<byte[]> road) {
        final byte[] bytes = road.get();
        if (!Arrays.equals(viaBridge, bytes)) {
            final int at = Arrays.mismatch(viaBridge, bytes);
            fail(String.format(Locale.ROOT, "%s, %d %s: the %s's %d bytes differ from the bridge's %d at byte %d:%n"
                            + "  bridge: %s%n  %s: %s", d.name, size, d.unit, name, bytes.length, viaBridge.length, at,
                    around(viaBridge, at), name, around(bytes, at)));
        }
    }

    // ---- the environment --------------------------------------------------------------

    private String environment(String loadBefore, String loadAfter) throws IOException {
        final List<String> collectors = new ArrayList<>();
        for (GarbageCollectorMXBean gc : ManagementFactory.getGarbageCollectorMXBeans()) collectors.add(gc.getName());
        final StringBuilder s = new StringBuilder();
        s.append(String.format(Locale.ROOT, "- run: %s%n", ZonedDateTime.now().format(DateTimeFormatter.ISO_OFFSET_DATE_TIME)));
        s.append(String.format(Locale.ROOT, "- JVM: %s %s (%s), garbage collectors %s, options %s%n",
                System.getProperty("java.vm.name"), System.getProperty("java.runtime.version"),
                System.getProperty("java.vm.vendor"), String.join(" / ", collectors),
                String.join(" ", ManagementFactory.getRuntimeMXBean().getInputArguments())));
        s.append(String.format(Locale.ROOT, "- JNA %s (native %s)%n", Native.VERSION, Native.VERSION_NATIVE));
        s.append(ffm != null ? "- FFM roads plain and tuned (bench/jvm/ffm/, compiled for release 22)\n"
                : "- no FFM roads: they need a JDK 25 installed when the build is configured\n");
        s.append(String.format(Locale.ROOT, "- machine: %d cores, CPU \"%s\", %s memory, %s %s%n",
                Runtime.getRuntime().availableProcessors(), cpuModel(), memory(), System.getProperty("os.name"),
                System.getProperty("os.version")));
        s.append(String.format(Locale.ROOT, "- load average (1, 5, 15 minutes): %s at the start, %s at the end%n",
                loadBefore, loadAfter));
        s.append("- log threshold 0; the benchmark engine builds the records of a document once per size and hands"
                + " the same records out on every fetch (its releases keep them); details in docs/jvm-benchmark.md\n\n");
        return s.toString();
    }

    static String loadAverage() {
        try {
            final String[] fields = Files.readString(Path.of("/proc/loadavg")).trim().split("\\s+");
            return fields[0] + " " + fields[1] + " " + fields[2];
        } catch (IOException e) {
            return "unknown";
        }
    }

    private static String cpuModel() throws IOException {
        for (String line : Files.readAllLines(Path.of("/proc/cpuinfo")))
            if (line.startsWith("model name")) return line.substring(line.indexOf(':') + 1).trim();
        return "unknown";
    }

    private static String memory() throws IOException {
        for (String line : Files.readAllLines(Path.of("/proc/meminfo")))
            if (line.startsWith("MemTotal:"))
                return String.format(Locale.ROOT, "%.1f GiB", Long.parseLong(line.replaceAll("\\D", "")) / 1048576.0);
        return "unknown";
    }

    // ---- small helpers --------------------------------------------------------------------

    /**
     * getTrees writes a line to the process's standard output on every call; during the run it goes
     * to /dev/null, and System.out to what standard output was.
     */
    private static void quietNativeStdout() {
        System.out.flush();
        final int kept = BenchNatives.quietNativeStdout();
        if (kept < 0) return;
        final OutputStream stdout = new OutputStream() {
            @Override
            public void write(int b) throws IOException {
                write(new byte[] {(byte) b}, 0, 1);
            }

            @Override
            public void write(byte[] bytes, int offset, int length) throws IOException {
                if (!BenchNatives.write(kept, bytes, offset, length)) throw new IOException("cannot write to standard output");
            }
        };
        System.setOut(new PrintStream(stdout, true, StandardCharsets.UTF_8));
    }

    private static Object invoke(Object target, String method, Object... args) {
        try {
            for (java.lang.reflect.Method m : target.getClass().getMethods())
                if (m.getName().equals(method)) return m.invoke(target, args);
        } catch (ReflectiveOperationException e) {
            fail(method + ": " + e);
        }
        throw new IllegalStateException("no method " + method);
    }

    private static String absolute(String path) {
        return Path.of(path).toAbsolutePath().toString();
    }

    private static String mark(Timing.Candidate c) {
        return c.settled ? "" : " \u2020";
    }

    private static String ms(Timing.Candidate c) {
        return String.format(Locale.ROOT, "%s%s (%s to %s)", millis(c.median()), mark(c), millis(c.min()), millis(c.max()));
    }

    private static String millis(double seconds) {
        final double ms = seconds * 1e3;
        return String.format(Locale.ROOT, ms >= 100 ? "%.0f" : ms >= 10 ? "%.1f" : ms >= 1 ? "%.2f" : "%.3f", ms);
    }

    private static String ns(double seconds) {
        final double ns = seconds * 1e9;
        return String.format(Locale.ROOT, ns >= 100 ? "%.0f" : "%.1f", ns);
    }

    private static String around(byte[] bytes, int at) {
        final int from = Math.max(0, at - 40), to = Math.min(bytes.length, at + 40);
        return new String(bytes, from, to - from, StandardCharsets.ISO_8859_1);
    }

    private static void progress(String what) {
        System.err.println("bench-jvm: " + what);
    }

    private static void usage(String problem) {
        fail(problem + "\nusage: JvmBench --bridge LIB --engine LIB --natives LIB [--before LIB] [--out FILE] [--check]"
                + " [--profile DOCUMENT SIZE SECONDS bridge|jna|ffm|ffm-tuned]");
    }

    private static void fail(String problem) {
        System.err.println("bench-jvm: " + problem);
        System.exit(1);
    }
}
