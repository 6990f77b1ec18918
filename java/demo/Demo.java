import com.vorlanworks.bridge.caller.VorlanBridge;
import com.vorlanworks.bridge.caller.VorlanBridgeLibrary;

import java.io.ByteArrayInputStream;
import java.io.IOException;
import java.io.RandomAccessFile;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.Comparator;
import java.util.HashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import java.util.stream.Collectors;
import java.util.stream.Stream;

import javax.xml.XMLConstants;
import javax.xml.parsers.DocumentBuilder;
import javax.xml.parsers.DocumentBuilderFactory;

import org.w3c.dom.Element;
import org.w3c.dom.Node;

/**
 * Drives an engine through the bridge the way a client does: creates a project
 * in a temporary workspace, adds the C and C++ files of a source tree, runs the
 * aggregation with a progress bar and prints the diagnostics, the rule groups and
 * the file tree.
 *
 * Arguments: the engine library (a complete path or one relative to the current
 * directory) and, optionally, the source tree to analyse. Without it, the folders
 * log, engine, xml and bridge of the current directory are used. The bridge comes
 * from its jar through VorlanBridgeLibrary (or from the file named by
 * -Dvorlan.bridge.library).
 */
public final class Demo {
    private static final String KEY = "demo";
    private static final String PROJECT = "demo";
    // Kinds of tree items of the sample engine.
    private static final String TREE_FOLDER = "1";
    private static final String TREE_FILE = "2";
    private static final Pattern PROGRESS = Pattern.compile("Aggregate progress is (-?\\d+)");

    private final VorlanBridge bridge;
    private final Path workspace;
    private final Path log;
    private final Path base;
    private long logOffset;

    private Demo(VorlanBridge bridge, Path workspace, Path base) {
        this.bridge = bridge;
        this.workspace = workspace;
        this.log = workspace.resolve("bridge.log");
        this.base = base;
    }

    public static void main(String[] args) throws Exception {
        if (args.length < 1 || args.length > 2) {
            System.err.println("usage: Demo <engine library> [source directory]");
            System.exit(2);
        }
        Path base = Paths.get(args.length > 1 ? args[1] : ".").toAbsolutePath().normalize();
        List<Path> roots = new ArrayList<>();
        if (args.length > 1) {
            roots.add(base);
        } else {
            for (String folder : new String[] {"log", "engine", "xml", "bridge"}) {
                if (Files.isDirectory(base.resolve(folder))) roots.add(base.resolve(folder));
            }
        }
        if (roots.isEmpty() || !Files.isDirectory(roots.get(0))) {
            System.err.println("No source folders found under " + base
                    + ": run from the repository root or name a source directory.");
            System.exit(2);
        }

        try {
            VorlanBridgeLibrary.load();
        } catch (UnsatisfiedLinkError e) {
            System.err.println(e.getMessage());
            System.exit(1);
        }
        Path workspace = Files.createTempDirectory("vorlan-demo");
        int status;
        try {
            status = new Demo(new VorlanBridge(), workspace, base)
                    .run(Paths.get(args[0]).toAbsolutePath().toString(), roots);
        } catch (UnsatisfiedLinkError e) {
            System.err.println("\nThe bridge lacks a native method: " + e.getMessage());
            status = 1;
        } finally {
            deleteTree(workspace);
        }
        System.exit(status);
    }

    /** The start-up part of the bridge's trace: the load and the entry points it resolved. */
    private void showStartupTrace() throws IOException {
        List<String> lines = Files.readAllLines(log, StandardCharsets.ISO_8859_1);
        long resolved = lines.stream().filter(l -> l.startsWith("[Success] find function entry")).count();
        long missing = lines.stream().filter(l -> l.startsWith("[Fail] find function entry")).count();
        lines.stream().filter(l -> l.startsWith("\tTrying to load from:")).findFirst()
                .ifPresent(l -> System.out.println("Start-up trace: " + l.trim()));
        System.out.println("  " + resolved + " engine entry points resolved, " + missing + " missing");
    }

    private int run(String engine, List<Path> roots) throws Exception {
        bridge.setNativeLogFile(log.toString());
        bridge.setDebugLevel(2);  // the progress lines are traces
        String answer = bridge.initJniBridge(engine);
        if (!"OK".equals(answer)) {
            System.err.println("initJniBridge: " + answer);
            return 1;
        }
        System.out.println("initJniBridge: " + answer);
        showStartupTrace();
        System.out.println("Engine " + bridge.getVersionNumber() + " (" + bridge.getComponents() + ")");
        bridge.initDeploymentInfo();
        bridge.setBindKey(KEY);
        long started = bridge.initApi(KEY);
        if (started != 0) {
            System.err.println("initApi failed with status " + started);
            return 1;
        }

        // The project, and the files the engine maps to C and C++.
        String location = workspace.resolve("project").toString();
        bridge.setWorkspace(workspace.toString());
        long created = bridge.createProject(location, PROJECT, "", "", "");
        long opened = bridge.initProjectMngr(KEY, location, PROJECT);
        if (created != 0 || opened != 0 || !bridge.isTivraProject(location, PROJECT)) {
            System.err.println("Project not created (" + created + ") or not opened (" + opened + ")");
            return 1;
        }
        List<String> extensions = splitList(bridge.getFileExtensions());
        List<Path> sources = sourcesIn(roots, extensions);
        String includes = roots.stream().map(Path::toString)
                .collect(Collectors.joining(String.valueOf(VorlanBridge.LIST_SEPARATOR)));
        int refused = 0;
        for (Path source : sources) {
            String extension = extensionOf(source);
            int language = extension.equals("c") || extension.equals("h") ? 0 : 1;
            long status = bridge.addFile(language, source.toString(), "VORLAN_DEMO", 1, includes, roots.size());
            if (status != 0) refused++;
        }
        List<String> files = splitList(bridge.getFiles());
        System.out.printf("Project %s in %s: %d C and C++ files from %s%s%n", PROJECT, location, files.size(),
                roots.stream().map(r -> r.equals(base) ? r.toString() : relative(r.toString()))
                        .collect(Collectors.joining(", ")),
                refused > 0 ? " (" + refused + " refused)" : "");
        System.out.println("Mapped extensions: " + String.join(" ", extensions));
        System.out.println();

        bridge.initResults(KEY, location, PROJECT);
        aggregateWithProgress();

        printDiagnostics(files);
        Map<String, Integer> perRule = new HashMap<>();
        Element trees = parse(bridge.getTrees(false, 0, ""), "trees");
        if (trees != null) {
            for (Element root : children(child(trees, "RT"), "SI")) countRules(root, perRule);
        }
        printRuleGroups(perRule);
        if (trees != null) {
            System.out.println("File tree (diagnostics per folder and file)");
            printTreeItem(child(trees, "FT"), "  ");
            System.out.println();
        }

        bridge.shutdownApi();
        bridge.shutdownApp();
        return 0;
    }

    // --- Aggregation ------------------------------------------------------

    /** Runs the aggregation on a thread of its own and follows its progress in the bridge's log. */
    private void aggregateWithProgress() throws Exception {
        logOffset = Files.size(log);
        Throwable[] failure = new Throwable[1];
        Thread worker = new Thread(() -> {
            try {
                bridge.aggregate();
            } catch (Throwable t) {
                failure[0] = t;
            }
        }, "aggregate");
        long start = System.nanoTime();
        worker.start();
        int percent = 0;
        drawProgress(percent);
        while (worker.isAlive()) {
            worker.join(20);
            percent = Math.max(percent, readProgress());
            drawProgress(percent);
        }
        percent = Math.max(percent, readProgress());
        drawProgress(percent);
        System.out.printf("  (%d ms)%n%n", (System.nanoTime() - start) / 1_000_000);
        if (failure[0] instanceof Error) throw (Error) failure[0];
        if (failure[0] != null) throw new IllegalStateException(failure[0]);
    }

    /** The highest progress value in the complete log lines written since the last look. */
    private int readProgress() throws IOException {
        int highest = 0;
        try (RandomAccessFile file = new RandomAccessFile(log.toFile(), "r")) {
            long length = file.length();
            if (length <= logOffset) return 0;
            byte[] fresh = new byte[(int) Math.min(length - logOffset, 1 << 24)];
            file.seek(logOffset);
            file.readFully(fresh);
            int lastNewline = -1;
            for (int i = fresh.length - 1; i >= 0 && lastNewline < 0; i--) {
                if (fresh[i] == '\n') lastNewline = i;
            }
            if (lastNewline < 0) return 0;  // half a line: read it next time
            logOffset += lastNewline + 1;
            Matcher m = PROGRESS.matcher(new String(fresh, 0, lastNewline + 1, StandardCharsets.UTF_8));
            while (m.find()) highest = Math.max(highest, Integer.parseInt(m.group(1)));
        }
        return highest;
    }

    private static void drawProgress(int percent) {
        int width = 40;
        int done = Math.max(0, Math.min(width, percent * width / 100));
        System.out.print("\rAggregating [" + String.join("", Collections.nCopies(done, "#"))
                + String.join("", Collections.nCopies(width - done, ".")) + "] "
                + String.format("%3d%%", Math.min(100, Math.max(0, percent))));
        System.out.flush();
    }

    // --- Diagnostics ------------------------------------------------------

    private void printDiagnostics(List<String> files) {
        int total = 0;
        int clean = 0;
        for (String file : files) {
            Element list = parse(bridge.getDiagnostics(file, null, null, 0), "diagnostics of " + file);
            List<Element> diagnostics = list == null ? Collections.<Element>emptyList() : children(list, "KOD");
            if (diagnostics.isEmpty()) {
                clean++;
                continue;
            }
            total += diagnostics.size();
            System.out.printf("%s  (%d)%n", relative(file), diagnostics.size());
            System.out.printf("  %5s %4s  %-5s %-5s  %s%n", "Line", "Col", "Msg", "Level", "Text");
            for (Element diagnostic : diagnostics) printDiagnostic(diagnostic, "  ");
            System.out.println();
        }
        System.out.printf("%s in %s; %s without any.%n%n", count(total, "diagnostic"),
                count(files.size() - clean, "file"), count(clean, "file"));
    }

    private void printDiagnostic(Element diagnostic, String indent) {
        Element message = child(diagnostic, "KOM");
        Element location = child(diagnostic, "LI");
        System.out.printf("%s%5s %4s  %-5s %-5s  %s%n", indent, text(location, "L"), text(location, "C"),
                text(message, "MN"), levelName(text(message, "ML")), text(message, "MT"));
        for (Element sub : children(diagnostic, "KOD")) {
            Element subLocation = child(sub, "LI");
            Element subMessage = child(sub, "KOM");
            System.out.printf("%s      -> %s:%s  %s  %s%n", indent, text(subLocation, "L"), text(subLocation, "C"),
                    text(subMessage, "MN"), text(subMessage, "MT"));
        }
    }

    private static String count(int n, String noun) {
        return n + " " + noun + (n == 1 ? "" : "s");
    }

    private static String levelName(String level) {
        switch (level) {
            case "1": return "debug";
            case "2": return "error";
            case "3": return "info";
            default: return level;
        }
    }

    // --- Rule groups and trees --------------------------------------------

    private void printRuleGroups(Map<String, Integer> perRule) {
        Element grouping = parse(bridge.getRuleGroups(), "rule groups");
        if (grouping == null) return;
        System.out.println("Rule groups (diagnostics per rule)");
        for (Element group : children(grouping, "KoRuleGroupEntry")) {
            System.out.println("  " + text(group, "RuleGroupName"));
            for (Element rule : children(group, "Rule")) printRule(rule, "    ", perRule);
        }
        System.out.println();
    }

    private static void printRule(Element rule, String indent, Map<String, Integer> perRule) {
        String id = text(rule, "RuleId");
        String line = String.format("%s%-8s %s", indent, id, text(rule, "RuleText"));
        System.out.printf("%-68s %5d%n", line, perRule.getOrDefault(id, 0));
        for (Element child : children(rule, "Rule")) printRule(child, indent + "  ", perRule);
    }

    /** Totals of the rule tree by rule: its items are named after the rules. */
    private static void countRules(Element item, Map<String, Integer> perRule) {
        perRule.put(text(item, "N"), parseInt(text(item, "To")));
        for (Element sub : children(item, "SI")) countRules(sub, perRule);
    }

    /** Folders with their totals, and the files that have diagnostics; the others are only counted. */
    private static void printTreeItem(Element item, String indent) {
        if (item == null) return;
        String name = text(item, "N");
        if (TREE_FOLDER.equals(text(item, "Ty"))) name += "/";
        System.out.printf("%-68s %5d%n", indent + name, parseInt(text(item, "To")));
        int clean = 0;
        for (Element sub : children(item, "SI")) {
            if (TREE_FILE.equals(text(sub, "Ty")) && parseInt(text(sub, "To")) == 0) {
                clean++;
            } else {
                printTreeItem(sub, indent + "  ");
            }
        }
        if (clean > 0) System.out.println(indent + "  (" + count(clean, "file") + " without diagnostics)");
    }

    // --- XML ---------------------------------------------------------------

    /** The root element of the bridge's XML, or null for no text or text that does not parse. */
    private static Element parse(byte[] xml, String what) {
        if (xml == null || xml.length == 0) return null;
        try {
            DocumentBuilderFactory factory = DocumentBuilderFactory.newInstance();
            factory.setFeature(XMLConstants.FEATURE_SECURE_PROCESSING, true);
            factory.setFeature("http://apache.org/xml/features/disallow-doctype-decl", true);
            factory.setExpandEntityReferences(false);
            DocumentBuilder builder = factory.newDocumentBuilder();
            builder.setErrorHandler(null);
            return builder.parse(new ByteArrayInputStream(xml)).getDocumentElement();
        } catch (Exception e) {
            System.err.println("Unreadable XML for " + what + ": " + e.getMessage());
            return null;
        }
    }

    private static List<Element> children(Element parent, String name) {
        List<Element> found = new ArrayList<>();
        if (parent == null) return found;
        for (Node n = parent.getFirstChild(); n != null; n = n.getNextSibling()) {
            if (n instanceof Element && ((Element) n).getTagName().equals(name)) found.add((Element) n);
        }
        return found;
    }

    private static Element child(Element parent, String name) {
        List<Element> found = children(parent, name);
        return found.isEmpty() ? null : found.get(0);
    }

    private static String text(Element parent, String name) {
        Element element = child(parent, name);
        return element == null ? "" : element.getTextContent();
    }

    private static int parseInt(String text) {
        try {
            return Integer.parseInt(text.trim());
        } catch (NumberFormatException e) {
            return 0;
        }
    }

    // --- Files -------------------------------------------------------------

    private static List<Path> sourcesIn(List<Path> roots, List<String> extensions) throws IOException {
        List<Path> sources = new ArrayList<>();
        for (Path root : roots) {
            try (Stream<Path> walk = Files.walk(root)) {
                walk.filter(Files::isRegularFile)
                        .filter(p -> extensions.contains(extensionOf(p)))
                        .sorted()
                        .forEach(sources::add);
            }
        }
        return sources;
    }

    private static String extensionOf(Path file) {
        String name = file.getFileName().toString();
        int dot = name.lastIndexOf('.');
        return dot < 0 ? "" : name.substring(dot + 1).toLowerCase(Locale.ROOT);
    }

    private static List<String> splitList(String joined) {
        return joined == null || joined.isEmpty() ? Collections.<String>emptyList() : Arrays.asList(joined.split(";"));
    }

    private String relative(String path) {
        try {
            Path p = Paths.get(path);
            if (!p.startsWith(base)) return path;
            String shown = base.relativize(p).toString();
            return shown.isEmpty() ? "." : shown;
        } catch (RuntimeException e) {
            return path;
        }
    }

    private static void deleteTree(Path root) {
        try (Stream<Path> walk = Files.walk(root)) {
            walk.sorted(Comparator.reverseOrder()).forEach(p -> p.toFile().delete());
        } catch (IOException e) {
            System.err.println("Could not remove " + root + ": " + e.getMessage());
        }
    }
}
