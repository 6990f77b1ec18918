import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import com.vorlanworks.bridge.caller.VorlanBridgeLibrary;

import java.io.BufferedReader;
import java.io.File;
import java.io.IOException;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.attribute.FileTime;
import java.nio.file.attribute.PosixFilePermissions;
import java.security.MessageDigest;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import java.util.stream.Collectors;
import java.util.stream.Stream;

import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * VorlanBridgeLibrary in JVMs of their own (LoaderProbe), with the class jar that carries this
 * build's library: unpacking, reuse, repair, the cache folders, JVMs racing, the named library,
 * and what each failure says.
 */
class NativeLibraryTest {
    private static final Path BUILD = Path.of(System.getProperty("vorlan.bridge")).toAbsolutePath().getParent();
    private static final Path NATIVE_JAR = BUILD.resolve("java/vorlan-bridge-linux.jar");
    private static final String CACHE = "-D" + VorlanBridgeLibrary.CACHE_PROPERTY + "=";
    private static final String LIBRARY = "-D" + VorlanBridgeLibrary.LIBRARY_PROPERTY + "=";
    private static final String FAILURE = "Cannot load the Vorlan bridge on Linux amd64 (linux-x86_64) from ";

    @TempDir
    Path dir;

    /** A probe JVM's exit status and output. */
    private static final class Run {
        final int status;
        final String output;

        Run(int status, String output) {
            this.status = status;
            this.output = output;
        }
    }

    @Test
    void unpacksOnceReusesTheCheckedCopyAndReplacesADamagedOne() throws Exception {
        Path cache = dir.resolve("cache");
        assertLoads(run(List.of(CACHE + cache)));
        Path library = theLibraryIn(cache);
        String checksum = sha256(BUILD.resolve("libVorlanBridge.so"));
        assertEquals(checksum, sha256(library));
        assertTrue(library.getParent().getFileName().toString().endsWith("-" + checksum.substring(0, 16)), library.toString());

        FileTime old = FileTime.fromMillis(946684800000L);
        Files.setLastModifiedTime(library, old);
        Object identity = Files.readAttributes(library, "unix:ino").get("ino");
        assertLoads(run(List.of(CACHE + cache)));
        assertEquals(old, Files.getLastModifiedTime(library), "the checked copy is reused, not written again");
        assertEquals(identity, Files.readAttributes(library, "unix:ino").get("ino"));

        Files.writeString(library, "damaged");
        assertLoads(run(List.of(CACHE + cache)));
        assertEquals(checksum, sha256(theLibraryIn(cache)));
        assertNotEquals(identity, Files.readAttributes(library, "unix:ino").get("ino"), "replaced by a rename");
    }

    @Test
    void withoutTheCachePropertyTheUsersCacheThenARelativeTemporaryFolder() throws Exception {
        assertLoads(run(dir, Map.of("XDG_CACHE_HOME", dir.resolve("xdg").toString()), List.of(), List.of()));
        theLibraryIn(dir.resolve("xdg/vorlan-bridge"));

        // The user's cache cannot be made (its parent is a file): the temporary folder,
        // relative to the working directory here, in a folder only this user may write to.
        Files.writeString(dir.resolve("blocked"), "");
        Files.createDirectory(dir.resolve("tmp"));
        assertLoads(run(dir, Map.of("XDG_CACHE_HOME", dir.resolve("blocked").toString()), List.of(),
                List.of("-Djava.io.tmpdir=tmp")));
        Path own = dir.resolve("tmp/vorlan-bridge-" + System.getProperty("user.name"));
        theLibraryIn(own);
        assertEquals("rwx------", PosixFilePermissions.toString(Files.getPosixFilePermissions(own)));
    }

    @Test
    void jvmsStartingAtOnceEachLoadAWholeLibrary() throws Exception {
        Path cache = dir.resolve("cache");
        Path go = dir.resolve("go");
        List<Process> jvms = new ArrayList<>();
        List<BufferedReader> outputs = new ArrayList<>();
        for (int i = 0; i < 3; i++) {
            Process jvm = start(dir, Map.of(), List.of(), List.of(CACHE + cache), "race", go.toString());
            jvms.add(jvm);
            outputs.add(new BufferedReader(new InputStreamReader(jvm.getInputStream(), StandardCharsets.UTF_8)));
            assertEquals("ready", outputs.get(i).readLine());
        }
        // All three are waiting for the file: they unpack and load at the same moment.
        Files.writeString(go, "");
        for (int i = 0; i < jvms.size(); i++) {
            String rest = outputs.get(i).lines().collect(Collectors.joining("\n"));
            assertTrue(jvms.get(i).waitFor(60, TimeUnit.SECONDS), "the probe JVM ends");
            assertLoads(new Run(jvms.get(i).exitValue(), rest.trim()));
        }
        assertEquals(sha256(BUILD.resolve("libVorlanBridge.so")), sha256(theLibraryIn(cache)));
    }

    @Test
    void aNamedFolderIsLoadedInsteadOfTheJarsCopy() throws Exception {
        Path cache = dir.resolve("cache");
        assertLoads(run(List.of(LIBRARY + BUILD, CACHE + cache)));
        assertFalse(Files.exists(cache), "nothing unpacked");
    }

    @Test
    void eachFailureNamesThePlatformTheFileAndTheCause() throws Exception {
        Path oldLibc = dir.resolve("old-libc.so");
        Files.write(oldLibc, replaced(Files.readAllBytes(BUILD.resolve("libVorlanBridge.so")), "GLIBC_2.2.5", "GLIBC_9.9.9"));
        Path cache = dir.resolve("cache");
        Path absent = dir.resolve("absent.so");
        Object[][] rows = {
            {List.of("-Dos.arch=aarch64"), "load",
                List.of("Cannot load the Vorlan bridge on Linux aarch64 (linux-aarch64) from the jar's "
                        + "META-INF/native/linux-aarch64/libVorlanBridge.so: the jar holds no library for linux-aarch64 "
                        + "(it has linux-x86_64); build the bridge for this platform and name the file with the "
                        + "system property vorlan.bridge.library")},
            {List.of(LIBRARY + absent), "load",
                List.of(FAILURE + absent + ": there is no such file (named by the system property vorlan.bridge.library)")},
            {List.of(LIBRARY + oldLibc), "load",
                List.of(FAILURE + oldLibc + ": the C library of this system is older than the bridge needs (glibc 2.17 "
                        + "or later) (the loader said: ", "version `GLIBC_9.9.9' not found")},
            {List.of(CACHE + cache), "two-loaders",
                List.of("loaded in class loader 1\n" + FAILURE + cache, "libVorlanBridge.so: another class loader of "
                        + "this JVM has loaded it already", "(the loader said: Native Library ")},
        };
        for (Object[] row : rows) {
            @SuppressWarnings("unchecked")
            Run run = run(dir, Map.of(), List.of(), (List<String>) row[0], (String) row[1]);
            assertEquals(1, run.status, run.output);
            for (Object part : (List<?>) row[2]) assertTrue(run.output.contains((String) part), run.output);
        }
    }

    /** Runs only where a mount namespace can be had, as root or through a user namespace. */
    @Test
    void aReadOnlyOrNoexecCacheNamesThePropertyToSet() throws Exception {
        assumeTrue(new ProcessBuilder("unshare", "-rm", "true").start().waitFor() == 0, "no mount namespace here");
        Path cache = dir.resolve("cache");
        Files.createDirectories(cache);
        List<String> readOnly = List.of("unshare", "-rm", "sh", "-c",
                "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && shift && exec \"$@\"", "sh", cache.toString());
        Run refused = run(dir, Map.of(), readOnly, List.of(CACHE + cache), "load");
        assertEquals(1, refused.status, refused.output);
        assertTrue(refused.output.startsWith(FAILURE + cache), refused.output);
        assertTrue(refused.output.contains(": cannot write to the cache folder (java.nio.file.FileSystemException: "),
                refused.output);
        assertTrue(refused.output.contains("set the system property vorlan.bridge.cache to a folder this user may write to"),
                refused.output);
        // What a read-only cache holds already is checked and loaded.
        assertLoads(run(List.of(CACHE + cache)));
        assertLoads(run(dir, Map.of(), readOnly, List.of(CACHE + cache), "load"));

        List<String> noexec = List.of("unshare", "-rm", "sh", "-c",
                "mount -t tmpfs -o noexec tmpfs \"$1\" && shift && exec \"$@\"", "sh", cache.toString());
        Run mapped = run(dir, Map.of(), noexec, List.of(CACHE + cache), "load");
        assertEquals(1, mapped.status, mapped.output);
        assertTrue(mapped.output.startsWith(FAILURE + cache), mapped.output);
        assertTrue(mapped.output.contains("libVorlanBridge.so: its folder is on a file system mounted noexec, from "
                + "which no library can be loaded; set the system property vorlan.bridge.cache to a folder on a file "
                + "system that allows it (the loader said: "), mapped.output);
        assertTrue(mapped.output.contains("failed to map segment from shared object"), mapped.output);
    }

    // --- Helpers ---------------------------------------------------------------------------

    private Run run(List<String> options) throws Exception {
        return run(dir, Map.of(), List.of(), options, "load");
    }

    private Run run(Path workingDirectory, Map<String, String> environment, List<String> wrapper, List<String> options,
            String... probeArguments) throws Exception {
        String[] arguments = probeArguments.length == 0 ? new String[] {"load"} : probeArguments;
        return finish(start(workingDirectory, environment, wrapper, options, arguments));
    }

    private static Process start(Path workingDirectory, Map<String, String> environment, List<String> wrapper,
            List<String> options, String... probeArguments) throws IOException {
        List<String> command = new ArrayList<>(wrapper);
        command.add(Path.of(System.getProperty("java.home"), "bin", "java").toString());
        // JDK 24 and later warn on the load without it.
        if (Runtime.version().feature() >= 17) command.add("--enable-native-access=ALL-UNNAMED");
        command.addAll(options);
        command.add("-cp");
        command.add(NATIVE_JAR + File.pathSeparator + Path.of(probeJar()));
        command.add("LoaderProbe");
        command.addAll(Arrays.asList(probeArguments));
        ProcessBuilder builder = new ProcessBuilder(command).directory(workingDirectory.toFile()).redirectErrorStream(true);
        builder.environment().remove("XDG_CACHE_HOME");
        builder.environment().putAll(environment);
        return builder.start();
    }

    private static String probeJar() {
        try {
            return Path.of(LoaderProbe.class.getProtectionDomain().getCodeSource().getLocation().toURI()).toString();
        } catch (java.net.URISyntaxException e) {
            throw new IllegalStateException(e);
        }
    }

    private static Run finish(Process jvm) throws Exception {
        byte[] output = jvm.getInputStream().readAllBytes();
        assertTrue(jvm.waitFor(60, TimeUnit.SECONDS), "the probe JVM ends");
        return new Run(jvm.exitValue(), new String(output, StandardCharsets.UTF_8).trim());
    }

    private static void assertLoads(Run run) {
        assertEquals(0, run.status, run.output);
        assertEquals("loaded, engine version 0.0.0", run.output);
    }

    /** The one library under a cache folder, with nothing half-written beside it. */
    private static Path theLibraryIn(Path cache) throws IOException {
        try (Stream<Path> files = Files.walk(cache)) {
            List<Path> found = files.filter(Files::isRegularFile).collect(Collectors.toList());
            assertEquals(1, found.size(), found.toString());
            assertEquals("libVorlanBridge.so", found.get(0).getFileName().toString());
            return found.get(0);
        }
    }

    private static String sha256(Path file) throws Exception {
        StringBuilder hex = new StringBuilder();
        for (byte b : MessageDigest.getInstance("SHA-256").digest(Files.readAllBytes(file))) {
            hex.append(String.format("%02x", b & 0xff));
        }
        return hex.toString();
    }

    /** `bytes` with every `from` replaced by `to`, of the same length; at least one is there. */
    private static byte[] replaced(byte[] bytes, String from, String to) {
        byte[] f = from.getBytes(StandardCharsets.US_ASCII);
        byte[] t = to.getBytes(StandardCharsets.US_ASCII);
        int count = 0;
        for (int i = 0; i + f.length <= bytes.length; i++) {
            if (Arrays.equals(bytes, i, i + f.length, f, 0, f.length)) {
                System.arraycopy(t, 0, bytes, i, t.length);
                count++;
            }
        }
        assertTrue(count > 0, from + " is in the library");
        return bytes;
    }
}
