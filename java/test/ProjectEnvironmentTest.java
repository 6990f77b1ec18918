import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.vorlanworks.bridge.caller.VorlanBridge;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.DynamicTest;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.TestFactory;
import org.junit.jupiter.api.io.TempDir;

/** Project and environment methods in a real JVM, against the scripted engine. */
class ProjectEnvironmentTest {
    static final VorlanBridge bridge = BridgeLoader.bridge();
    static final String SEP = String.valueOf(VorlanBridge.LIST_SEPARATOR);

    @BeforeAll
    static void loadEngine() {
        assertEquals("OK", bridge.initJniBridge(BridgeLoader.engine()));
    }

    @Test
    void projectMethodsReachTheEngine(@TempDir Path dir) throws Exception {
        Path acf = Files.writeString(dir.resolve("p.acf"), "a");
        assertEquals(0L, bridge.createProject(dir.toString(), "p", acf.toString(), acf.toString(), "/missing.cct"));
        assertTrue(bridge.isTivraProject(dir.toString(), "p"));
        assertEquals(0L, bridge.initProjectMngr("key", dir.toString(), "p"));
        assertEquals(0L, bridge.addFile(1L, "/src/\u00e9\u4e2d\ud83d\ude00.c", "A" + SEP + "B=1", 2, "", 0));
        assertEquals(0L, bridge.addFile(0L, "/src/a.c", "A", 2, "/inc" + SEP + "/x" + SEP + "/y", 1));
        // The scripted engine hands out no records unless told to.
        assertArrayEquals(new byte[0], bridge.getTrees(true, 2, "a" + SEP + "b"));
        assertArrayEquals(new byte[0], bridge.getTrees(false, 0, null));
        assertEquals("", bridge.getKoFile("/src/a.c"));
        assertEquals("", bridge.getFiles());
        assertEquals("", bridge.getFileExtensions());
    }

    /**
     * The log file and the file checks of the project methods in folders named outside ASCII: the
     * bridge opens the paths the Java strings name, while its trace lines keep showing them in
     * modified UTF-8.
     */
    @TestFactory
    List<DynamicTest> logFileAndFileChecksInFoldersNamedOutsideAscii(@TempDir Path dir) {
        List<DynamicTest> tests = new ArrayList<>();
        for (String name : new String[] {"J\u00f6rg", "d\u00e9j\u00e0 vu", "emoji \ud83d\ude00", "\u4e2d\u6587 \ud840\udc0b \u00e9"}) {
            tests.add(DynamicTest.dynamicTest(name, () -> {
                Path folder = Files.createDirectory(dir.resolve(name));
                Path cct = Files.writeString(folder.resolve("rules.cct"), "c");
                Path log = folder.resolve("bridge.log");
                Files.writeString(log, "stale");
                bridge.setNativeLogFile(log.toString());
                assertEquals(0L, Files.size(log));
                bridge.setDebugLevel(2);
                bridge.addCCT(cct.toString());
                bridge.createProject(folder.toString(), "p", cct.toString(), cct.toString(), cct.toString());
                bridge.setDebugLevel(0);
                bridge.setNativeLogFile("");
                String trace = new String(Files.readAllBytes(log), StandardCharsets.ISO_8859_1);
                for (String line : new String[] {"\nFile " + cct + " exists!", "\nDirector " + folder + " exists"})
                    assertTrue(trace.contains(BridgeLoader.modifiedUtf8(line)), line + " in " + trace);
                assertFalse(trace.contains("NOT exists"), trace);
            }));
        }
        return tests;
    }

    @Test
    void nullArgumentsAndImpossibleCountsGiveFallbacks() {
        assertEquals(-1L, bridge.addFile(0L, null, "", 0, "", 0));
        assertEquals(-1L, bridge.addFile(0L, "/a.c", "", -1, "", 0));
        assertEquals(-1L, bridge.createProject(null, null, null, null, null));
        assertFalse(bridge.isTivraProject(null, "p"));
        assertEquals("", bridge.getKoFile(null));
        assertArrayEquals(new byte[0], bridge.getTrees(true, 2, null));
        assertArrayEquals(new byte[0], bridge.getTrees(true, -1, "a"));
        // Counts beyond what their list can hold: refused, never allocated.
        assertEquals(-1L, bridge.addFile(0L, "/a.c", "A", Integer.MAX_VALUE, "", 0));
        assertEquals(-1L, bridge.addFile(0L, "/a.c", "", 0, "I", Integer.MAX_VALUE));
        assertArrayEquals(new byte[0], bridge.getTrees(true, Integer.MAX_VALUE, "a"));
        bridge.setWorkspace(null);
    }

    @Test
    void environmentMethodsReachTheEngine() {
        assertEquals("getInstallPath text", bridge.getInstallPath());
        assertEquals("getUserConfigPath text", bridge.getUserConfigPath());
        assertEquals("getWorkspace text", bridge.getWorkspace());
        assertEquals("getTivraContextHelp text", bridge.getTivraContextHelp(3));
        bridge.setWorkspace("/ws/\u00e9");
        bridge.setCurrentLanguage(7);
        assertEquals(7, bridge.getCurrentLanguage());
        assertEquals("", bridge.getAvailableLanguages());
        assertEquals("", bridge.getCMAProjects());
        assertEquals("", bridge.getReportTools());
        bridge.setUserLibrary("lib");
        assertEquals("getUserLibrary: Not implemented yet.", bridge.getUserLibrary(true));
    }
}
