import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.vorlanworks.bridge.caller.VorlanBridge;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

import org.junit.jupiter.api.MethodOrderer;
import org.junit.jupiter.api.Order;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.TestMethodOrder;
import org.junit.jupiter.api.io.TempDir;

/** Start-up in a real JVM: the bridge is loaded once, so the order matters. */
// First of all classes: it checks the bridge before any engine is loaded.
@Order(1)
@TestMethodOrder(MethodOrderer.OrderAnnotation.class)
class StartupTest {
    static final VorlanBridge bridge = BridgeLoader.bridge();

    @TempDir
    Path dir;

    @Test
    @Order(1)
    void beforeLoadingEveryCallTakesItsFallback() {
        assertEquals("0.0.0", bridge.getVersionNumber());
        assertEquals(-1L, bridge.initApi("key"));
        assertEquals(0L, bridge.getDebugLevel());
    }

    @Test
    @Order(2)
    void nullPathAsksForAPath() {
        assertEquals("Please select a path for Vorlan.dll file!", bridge.initJniBridge(null));
    }

    @Test
    @Order(3)
    void missingLibraryGivesTheLoaderFailure() {
        String answer = bridge.initJniBridge(dir.resolve("absent-\u00e9\u4e2d.so").toString());
        assertTrue(answer.startsWith("Failed to load libVorlan.so: "), answer);
        assertTrue(answer.contains("absent-\u00e9\u4e2d.so"), answer);
    }

    @Test
    @Order(3)
    void emptyPathFailsAsAMissingFileDoes() {
        assertEquals("Failed to load libVorlan.so: : cannot open shared object file: No such file or directory",
                bridge.initJniBridge(""));
    }

    @Test
    @Order(3)
    void aLibraryWithoutEngineEntriesIsNotLoaded() {
        String library = System.getProperty("vorlan.bridge");
        assertEquals("Failed to load libVorlan.so: " + library + ": none of the engine's entry points is exported",
                bridge.initJniBridge(library));
        assertEquals("0.0.0", bridge.getVersionNumber());
    }

    @Test
    @Order(4)
    void loadsTheEngineThenIgnoresLaterPaths() throws Exception {
        // From a folder named outside ASCII, through a link to the engine, so that the engine
        // script (EngineScript) reaches the very library the bridge loads.
        Path folder = Files.createDirectory(dir.resolve("moteur \u00e9t\u00e9 \ud83d\ude00"));
        Path engine = Files.createSymbolicLink(folder.resolve("libVorlan.so"), Path.of(BridgeLoader.engine()).toAbsolutePath());
        Path log = folder.resolve("bridge.log");
        Files.writeString(log, "stale");
        bridge.setNativeLogFile(log.toString());
        assertEquals("", Files.readString(log));
        bridge.setDebugLevel(2);
        assertEquals("OK", bridge.initJniBridge(engine.toString()));
        assertEquals("OK", bridge.initJniBridge("/no/such/library.so"));
        bridge.setDebugLevel(0);
        String trace = new String(Files.readAllBytes(log), StandardCharsets.UTF_8);
        // setDebugLevel ran before the engine was loaded: the engine's half of it
        // found no entry.
        assertTrue(trace.startsWith("\nCall SetLogLevel \n\tAttempt to call VorlanApi::SetLogLevel failed because ptr2f is null \n"
                + "\nEnter initJniBridge \ninitJniBridge: call InitVorlanApi() \n\nCall InitVorlanApi\n"), trace);
        assertTrue(trace.contains("[Success] find function entry for hasUptoDateResults and prt "), trace);
        assertTrue(new String(Files.readAllBytes(log), StandardCharsets.ISO_8859_1)
                .contains(BridgeLoader.modifiedUtf8("\tTrying to load from: " + engine + " \n")), trace);
        assertTrue(trace.endsWith("\nEnter initJniBridge \ninitJniBridge: call InitVorlanApi() \n\nCall InitVorlanApi\n\nExit initJniBridge \n"), trace);
        bridge.setNativeLogFile("");
    }

    @Test
    @Order(5)
    void nullArgumentsNeverReachTheEngine() {
        bridge.setNativeLogFile(null);
        bridge.setBindKey(null);
        assertEquals(-1L, bridge.initApi(null));
    }
}
