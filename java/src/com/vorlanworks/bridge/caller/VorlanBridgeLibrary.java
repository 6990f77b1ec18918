package com.vorlanworks.bridge.caller;

import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.FileSystems;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.nio.file.attribute.PosixFilePermission;
import java.nio.file.attribute.PosixFilePermissions;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.Set;

/**
 * Loads the bridge library that this jar carries for the running platform, so that
 * {@link VorlanBridge}'s native methods can be called.
 *
 * <pre>{@code
 * VorlanBridgeLibrary.load();
 * VorlanBridge bridge = new VorlanBridge();
 * String answer = bridge.initJniBridge("/opt/vorlan/lib/libVorlan.so");
 * }</pre>
 *
 * <p>The jar holds the library for {@code linux-x86_64} ({@code libVorlanBridge.so}) and
 * {@code windows-x86_64} ({@code VorlanBridge.dll}), each with its SHA-256. {@link #load()}
 * picks the one for {@code os.name} and {@code os.arch}, unpacks it into a cache folder and
 * loads it from there:
 *
 * <ul>
 *   <li>The cache folder is the one named by the system property {@value #CACHE_PROPERTY};
 *       without it the user's cache folder ({@code $XDG_CACHE_HOME/vorlan-bridge} or {@code
 *       ~/.cache/vorlan-bridge} on Linux, {@code %LOCALAPPDATA%\vorlan-bridge} on Windows), or,
 *       when that cannot be written, {@code vorlan-bridge-<user>} in {@code java.io.tmpdir}.
 *       Relative folders are taken from the working directory.
 *   <li>Inside it, each build has a folder of its own, named by the version and the start of
 *       the checksum, so the library is unpacked once and then reused. A file already there is
 *       checked against the checksum first and replaced when it differs.
 *   <li>The library is written under a temporary name and renamed into place, so several JVMs
 *       starting at the same time never load half a file.
 * </ul>
 *
 * <p>The system property {@value #LIBRARY_PROPERTY} names a library file, or a folder holding
 * {@code libVorlanBridge.so} or {@code VorlanBridge.dll}, to load instead of the jar's copy.
 * Applications that ship the library themselves may also call {@code System.load} with its
 * complete path and not use this class.
 *
 * <p>JDK 24 and later warn when code on the class path loads a native library: start the JVM
 * with {@code --enable-native-access=ALL-UNNAMED}.
 */
public final class VorlanBridgeLibrary {
    /** System property naming a library file, or a folder holding it, to load instead of the jar's copy. */
    public static final String LIBRARY_PROPERTY = "vorlan.bridge.library";

    /** System property naming the folder into which the jar's library is unpacked. */
    public static final String CACHE_PROPERTY = "vorlan.bridge.cache";

    private static final String RESOURCES = "META-INF/native/";
    private static final String[] PLATFORMS = {"linux-x86_64", "windows-x86_64"};
    // Enough of the checksum to tell builds apart in a folder name.
    private static final int CHECKSUM_CHARS_IN_NAME = 16;

    private static boolean loaded;

    private VorlanBridgeLibrary() {}

    /**
     * Loads the bridge library, once per class loader: later calls return at once.
     *
     * @throws UnsatisfiedLinkError when the library cannot be loaded. The message names the
     *     platform found, the file tried and the likely cause with its remedy: no library for
     *     this platform, a cache folder that cannot be written or is on a file system mounted
     *     {@code noexec}, the library already loaded by another class loader, a C library older
     *     than the bridge needs, or a library built for another architecture; the loader's own
     *     message is quoted.
     */
    public static synchronized void load() {
        if (loaded) return;
        String named = System.getProperty(LIBRARY_PROPERTY);
        boolean fromJar = named == null || named.isEmpty();
        Path file = fromJar ? unpack() : namedFile(named);
        try {
            System.load(file.toString());
        } catch (UnsatisfiedLinkError e) {
            throw explained(file, e, fromJar);
        }
        loaded = true;
    }

    // --- The platform ---------------------------------------------------------------------

    /** The resource folder of the running platform, such as "linux-x86_64". */
    private static String platform() {
        String os = System.getProperty("os.name", "").toLowerCase(Locale.ROOT);
        String arch = System.getProperty("os.arch", "").toLowerCase(Locale.ROOT);
        if (os.startsWith("windows")) {
            os = "windows";
        } else if (os.startsWith("linux")) {
            os = "linux";
        }
        if (arch.equals("amd64") || arch.equals("x86_64")) arch = "x86_64";
        return os.replaceAll("[^a-z0-9_]+", "") + "-" + arch.replaceAll("[^a-z0-9_]+", "");
    }

    private static String platformFound() {
        return System.getProperty("os.name") + " " + System.getProperty("os.arch") + " (" + platform() + ")";
    }

    private static String libraryName(String platform) {
        return platform.startsWith("windows-") ? "VorlanBridge.dll" : "libVorlanBridge.so";
    }

    // --- Where the library comes from -----------------------------------------------------

    private static Path namedFile(String named) {
        Path file = Paths.get(named).toAbsolutePath();
        if (Files.isDirectory(file)) file = file.resolve(libraryName(platform()));
        if (!Files.isRegularFile(file)) {
            throw failure(file.toString(), "there is no such file (named by the system property " + LIBRARY_PROPERTY
                    + "); name the library file or the folder that holds it");
        }
        return file;
    }

    /** Unpacks the jar's library for this platform into the cache and returns the copy. */
    private static Path unpack() {
        String platform = platform();
        String name = libraryName(platform);
        String resource = RESOURCES + platform + "/" + name;
        String checksum = resourceChecksum(resource + ".sha256");
        if (checksum == null || VorlanBridgeLibrary.class.getResource("/" + resource) == null) {
            List<String> present = new ArrayList<String>();
            for (String known : PLATFORMS) {
                if (VorlanBridgeLibrary.class.getResource("/" + RESOURCES + known + "/" + libraryName(known)) != null) {
                    present.add(known);
                }
            }
            throw failure("the jar's " + resource, "the jar holds no library for " + platform + " (it has "
                    + (present.isEmpty() ? "none" : String.join(" and ", present)) + "); build the bridge for this "
                    + "platform and name the file with the system property " + LIBRARY_PROPERTY);
        }
        String folderName = checksum.substring(0, CHECKSUM_CHARS_IN_NAME);
        String version = VorlanBridgeLibrary.class.getPackage() == null ? null
                : VorlanBridgeLibrary.class.getPackage().getImplementationVersion();
        if (version != null) folderName = safeName(version) + "-" + folderName;

        String configured = System.getProperty(CACHE_PROPERTY);
        if (configured != null && !configured.isEmpty()) {
            Path folder = Paths.get(configured).toAbsolutePath().resolve(folderName);
            try {
                return unpackInto(folder, name, resource, checksum);
            } catch (IOException e) {
                throw failure(folder.resolve(name).toString(), cannotWrite(e));
            }
        }
        Path userFolder = userCache().resolve(folderName);
        try {
            return unpackInto(userFolder, name, resource, checksum);
        } catch (IOException userFailure) {
            Path folder = Paths.get(System.getProperty("java.io.tmpdir"), "vorlan-bridge-" + safeName(
                    System.getProperty("user.name", "user"))).toAbsolutePath();
            try {
                ownFolder(folder);
                return unpackInto(folder.resolve(folderName), name, resource, checksum);
            } catch (IOException e) {
                throw failure(folder.resolve(folderName).resolve(name).toString(), cannotWrite(e)
                        + " (nor to " + userFolder + ": " + userFailure + ")");
            }
        }
    }

    private static String cannotWrite(IOException e) {
        return "cannot write to the cache folder (" + e + "); set the system property " + CACHE_PROPERTY
                + " to a folder this user may write to";
    }

    /** The user's own cache folder for the bridge. */
    private static Path userCache() {
        if (platform().startsWith("windows-")) {
            String local = System.getenv("LOCALAPPDATA");
            Path base = local != null && !local.isEmpty() ? Paths.get(local)
                    : Paths.get(System.getProperty("user.home"), "AppData", "Local");
            return base.toAbsolutePath().resolve("vorlan-bridge");
        }
        String xdg = System.getenv("XDG_CACHE_HOME");
        Path base = xdg != null && xdg.startsWith("/") ? Paths.get(xdg)
                : Paths.get(System.getProperty("user.home"), ".cache");
        return base.toAbsolutePath().resolve("vorlan-bridge");
    }

    /**
     * Makes a folder in the shared temporary folder that only this user may write to, and
     * refuses one that others may write to: they could swap the library between its check and
     * its load.
     */
    private static void ownFolder(Path folder) throws IOException {
        boolean posix = FileSystems.getDefault().supportedFileAttributeViews().contains("posix");
        if (!Files.isDirectory(folder)) {
            if (posix) {
                Files.createDirectories(folder,
                        PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rwx------")));
            } else {
                Files.createDirectories(folder);
            }
        }
        if (posix) {
            Set<PosixFilePermission> permissions = Files.getPosixFilePermissions(folder);
            if (permissions.contains(PosixFilePermission.GROUP_WRITE)
                    || permissions.contains(PosixFilePermission.OTHERS_WRITE)) {
                throw new IOException(folder + " may be written by other users");
            }
        }
    }

    /**
     * The library in `folder`, unpacked there unless a copy with the right checksum is there
     * already. Written under a temporary name and renamed into place: another JVM sees the
     * old file or the whole new one, never a part.
     */
    private static Path unpackInto(Path folder, String name, String resource, String checksum) throws IOException {
        Path target = folder.resolve(name);
        if (checksum.equals(sha256(target))) return target;
        Files.createDirectories(folder);
        Path part = Files.createTempFile(folder, name + ".", ".part");
        try {
            InputStream in = VorlanBridgeLibrary.class.getResourceAsStream("/" + resource);
            if (in == null) throw new IOException("the jar's " + resource + " cannot be read");
            try {
                OutputStream out = Files.newOutputStream(part);
                try {
                    byte[] buffer = new byte[65536];
                    for (int n; (n = in.read(buffer)) > 0;) out.write(buffer, 0, n);
                } finally {
                    out.close();
                }
            } finally {
                in.close();
            }
            if (!checksum.equals(sha256(part))) {
                throw new IOException(part + " does not match its SHA-256 after writing");
            }
            if (FileSystems.getDefault().supportedFileAttributeViews().contains("posix")) {
                Files.setPosixFilePermissions(part, PosixFilePermissions.fromString("rw-r--r--"));
            }
            try {
                Files.move(part, target, StandardCopyOption.ATOMIC_MOVE);
            } catch (IOException e) {
                // Windows does not replace a library that another process has loaded: that
                // process unpacked the same bytes.
                if (!checksum.equals(sha256(target))) throw e;
            }
        } finally {
            Files.deleteIfExists(part);
        }
        return target;
    }

    /** The checksum the jar gives for a library, or null without one. */
    private static String resourceChecksum(String resource) {
        InputStream in = VorlanBridgeLibrary.class.getResourceAsStream("/" + resource);
        if (in == null) return null;
        try {
            try {
                byte[] text = new byte[64];
                int length = 0;
                for (int n; length < text.length && (n = in.read(text, length, text.length - length)) > 0;) length += n;
                String hex = new String(text, 0, length, StandardCharsets.US_ASCII);
                return hex.matches("[0-9a-f]{64}") ? hex : null;
            } finally {
                in.close();
            }
        } catch (IOException e) {
            return null;
        }
    }

    /** Hex SHA-256 of a file, or null when it cannot be read. */
    private static String sha256(Path file) {
        if (!Files.isRegularFile(file)) return null;
        try {
            MessageDigest digest = MessageDigest.getInstance("SHA-256");
            InputStream in = Files.newInputStream(file);
            try {
                byte[] buffer = new byte[65536];
                for (int n; (n = in.read(buffer)) > 0;) digest.update(buffer, 0, n);
            } finally {
                in.close();
            }
            StringBuilder hex = new StringBuilder(64);
            for (byte b : digest.digest()) hex.append(String.format("%02x", b & 0xff));
            return hex.toString();
        } catch (IOException e) {
            return null;
        } catch (NoSuchAlgorithmException e) {
            throw new IllegalStateException(e);  // every JVM has SHA-256
        }
    }

    private static String safeName(String text) {
        String safe = text.replaceAll("[^A-Za-z0-9._-]+", "_");
        return safe.isEmpty() ? "_" : safe;
    }

    // --- What went wrong ------------------------------------------------------------------

    private static UnsatisfiedLinkError failure(String tried, String cause) {
        return new UnsatisfiedLinkError(
                "Cannot load the Vorlan bridge on " + platformFound() + " from " + tried + ": " + cause);
    }

    /** The loader's failure, with its likely cause and remedy. */
    private static UnsatisfiedLinkError explained(Path file, UnsatisfiedLinkError e, boolean fromJar) {
        String said = String.valueOf(e.getMessage());
        String cause;
        if (said.contains("failed to map segment from shared object")) {
            cause = "its folder is on a file system mounted noexec, from which no library can be loaded; "
                    + (fromJar
                            ? "set the system property " + CACHE_PROPERTY + " to a folder on a file system that allows it"
                            : "copy it to a file system that allows it");
        } else if (said.contains("already loaded in another classloader")) {
            cause = "another class loader of this JVM has loaded it already, and a library serves one class loader "
                    + "only; put the bridge's jar where one class loader shared by all users loads it (for an "
                    + "application server, its common library folder) rather than into each application";
        } else if (said.contains("GLIBC_") && said.contains("not found")) {
            cause = "the C library of this system is older than the bridge needs (glibc 2.17 or later)";
        } else if (said.contains("wrong ELF class") || said.contains("ELF file's class")
                || said.contains("on a IA 32-bit platform") || said.contains("on a AMD 64-bit platform")
                || said.contains("not a valid Win32 application")) {
            cause = "it is built for another architecture than this JVM (os.arch " + System.getProperty("os.arch")
                    + "); run a 64-bit JVM";
        } else {
            cause = "the system's loader refused it";
        }
        UnsatisfiedLinkError explained = failure(file.toString(), cause + " (the loader said: " + said + ")");
        explained.initCause(e);
        return explained;
    }
}
