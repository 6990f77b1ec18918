import static org.junit.jupiter.api.Assertions.assertEquals;

import com.vorlanworks.bridge.caller.VorlanBridge;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;

/**
 * Engine texts in any UTF-8, valid or not, reach a real JVM as the right Java strings, and Java
 * strings reach the engine as the bytes this JVM's GetStringUTFChars gives. The scripted engine
 * answers getComponents with the bytes of a file in $VORLAN_ENGINE_TEXTS.
 */
class EngineTextTest {
    static final VorlanBridge bridge = BridgeLoader.bridge();
    static final Path TEXTS = Path.of(System.getenv("VORLAN_ENGINE_TEXTS"));
    static final String BAD = "\ufffd";

    @BeforeAll
    static void loadEngine() {
        assertEquals("OK", bridge.initJniBridge(BridgeLoader.engine()));
    }

    @AfterEach
    void unscript() throws IOException {
        Files.deleteIfExists(TEXTS.resolve("getComponents"));
    }

    /** The Java string getComponents gives when the engine answers these bytes. */
    static String read(int... bytes) throws IOException {
        byte[] text = new byte[bytes.length];
        for (int i = 0; i < bytes.length; ++i) text[i] = (byte) bytes[i];
        Files.write(TEXTS.resolve("getComponents"), text);
        return bridge.getComponents();
    }

    @Test
    void twoAndThreeByteSequencesPassUnchanged() throws IOException {
        assertEquals("ab", read('a', 'b'));
        assertEquals("\u00e9\u00df", read(0xC3, 0xA9, 0xC3, 0x9F));
        assertEquals("\u4e2d\u20ac\uffff", read(0xE4, 0xB8, 0xAD, 0xE2, 0x82, 0xAC, 0xEF, 0xBF, 0xBF));
        // Modified UTF-8 of their own: an encoded NUL and a lone surrogate.
        assertEquals("x\u0000y\ud800", read('x', 0xC0, 0x80, 'y', 0xED, 0xA0, 0x80));
    }

    @Test
    void fourByteSequencesBecomeSurrogatePairs() throws IOException {
        assertEquals("a\ud83d\ude00z", read('a', 0xF0, 0x9F, 0x98, 0x80, 'z'));
        assertEquals("\ud800\udc00\udbff\udfff", read(0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBF));
    }

    @Test
    void invalidBytesBecomeReplacementCharacters() throws IOException {
        assertEquals(BAD, read(0xFF));
        assertEquals("a" + BAD + "z", read('a', 0x80, 'z'));
        assertEquals("a" + BAD, read('a', 0xC3));
        assertEquals(BAD + BAD, read(0xC1, 0xBF));
        assertEquals(BAD + BAD + BAD, read(0xE0, 0x80, 0xAF));
        assertEquals(BAD + BAD + BAD + BAD, read(0xF4, 0x90, 0x80, 0x80));
        assertEquals(BAD + BAD + BAD + "!", read(0xF0, 0x9F, 0x98, '!'));
    }

    /**
     * The bridge reads short strings itself and leaves long ones to the JVM: either way the engine
     * sees what GetStringUTFChars gives (EngineScript.callCount reads its line with it), U+0000,
     * surrogates paired or not and both sides of the 256-unit bound included.
     */
    @Test
    void javaStringsReachTheEngineAsGetStringUtfCharsGivesThem() {
        final String x = "x";
        final String[] texts = {
            "", "/src/a.c", "\0", "\0a\0b\0", "\u0080\u07ff\u0800", "\uffff\ufffe", "\ud83d\ude00",
            "\ud83d", "\ude00", "\ud83dx\ude00", "\ude00\ud83d", "J\u00f6rg \u4e2d\u007f\u0001",
            "a" + "\uffff".repeat(255), "a" + "\uffff".repeat(256), x.repeat(254) + "\ud83d\ude00",
            x.repeat(255) + "\ud83d\ude00", "\ud83d".repeat(256) + "\0", "\u0800".repeat(5000),
        };
        for (String text : texts) {
            final String line = "hasResults(" + text + ")";
            final int before = EngineScript.callCount(BridgeLoader.engine(), line);
            bridge.hasResults(text);
            assertEquals(before + 1, EngineScript.callCount(BridgeLoader.engine(), line), line.length() + " units");
        }
        // Three strings of one call, short and long, each on its own road.
        final String line = "initResults(" + texts[6] + ", " + texts[13] + ", " + texts[3] + ")";
        final int before = EngineScript.callCount(BridgeLoader.engine(), line);
        bridge.initResults(texts[6], texts[13], texts[3]);
        assertEquals(before + 1, EngineScript.callCount(BridgeLoader.engine(), line));
    }
}
