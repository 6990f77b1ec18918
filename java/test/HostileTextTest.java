import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.vorlanworks.bridge.caller.VorlanBridge;

import java.io.ByteArrayInputStream;
import java.io.StringReader;
import java.util.Set;

import javax.xml.parsers.DocumentBuilderFactory;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.w3c.dom.Document;
import org.w3c.dom.Element;
import org.w3c.dom.Node;
import org.xml.sax.InputSource;

/**
 * Engine texts that once broke a document, in every text field of every document, byte[] and
 * String alike: the JDK's parser reads each document, which is valid against its schema, and
 * every field reads back as the engine's text, with U+FFFD for what XML cannot carry.
 */
class HostileTextTest {
    static final VorlanBridge bridge = BridgeLoader.bridge();
    static final String engine = BridgeLoader.engine();
    /** Leaves whose values the bridge makes itself. */
    static final Set<String> FIXED = Set.of("ML", "MH", "SS", "SD", "L", "C", "IsActive", "Ty", "To", "A", "SL");

    static final int[][] TEXTS = {
        {'R', '&', 'D', '/', 'Q', '&', 'A'}, {'a', '<', 'b'}, {'a', '[', 'i', ']', ']', '>', 'm'},
        {'x', ']', ']', '>', 'y', '<', '!', '[', 'C', 'D', 'A', 'T', 'A', '[', 'z'}, {'&', 'a', 'm', 'p', ';'},
        {'\'', '"', '>', '\t', '\n'}, {0x0C, 0x1B, 0x01}, {'c', 'a', 'f', 0xE9}, {0xFF, 0x80, 0xC3},
        {0xC0, 0x80}, {0xEF, 0xBF, 0xBE, 0xEF, 0xBF, 0xBF}, {0xED, 0xA0, 0x80, 'x'}, {0xED, 0xB0, 0x80},
        {0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}, {0xF0, 0x9F, 0x98, 0x80, 0xC3, 0xA9, 0xE4, 0xB8, 0xAD},
    };

    @BeforeAll
    static void loadEngine() {
        assertEquals("OK", bridge.initJniBridge(engine));
    }

    @AfterEach
    void unscript() {
        EngineScript.removeRecords(engine);
    }

    @Test
    void everyFieldOfEveryDocumentReadsBack() throws Exception {
        for (int[] codes : TEXTS) {
            byte[] text = new byte[codes.length];
            for (int i = 0; i < codes.length; ++i) text[i] = (byte) codes[i];
            assertTrue(EngineScript.useTextEverywhere(engine, text));
            String expected = readBack(text);
            check("diagnostics", bridge.getDiagnostics("/src/a.c", null, null, 0), expected);
            check("rule-groups", bridge.getRuleGroups(), expected);
            check("message-rule-map", bridge.getMessageRuleMap(), expected);
            check("trees", bridge.getTrees(false, 0, ""), expected);
            String file = bridge.getKoFile("/src/a.c");
            Schemas.validate("file-settings", file);
            leaves("file-settings", parse(new InputSource(new StringReader(file))).getDocumentElement(), expected, 0);
        }
    }

    static void check(String name, byte[] document, String expected) throws Exception {
        Schemas.validate(name, document);
        int fields = leaves(name, parse(new InputSource(new ByteArrayInputStream(document))).getDocumentElement(), expected, 0);
        assertTrue(fields >= 2, name + ": " + fields + " fields");
    }

    static Document parse(InputSource source) throws Exception {
        return DocumentBuilderFactory.newInstance().newDocumentBuilder().parse(source);
    }

    /** Checks every leaf below {@code element}; returns how many held the engine's text. */
    static int leaves(String name, Element element, String expected, int depth) {
        int found = 0;
        boolean leaf = true;
        for (Node child = element.getFirstChild(); child != null; child = child.getNextSibling()) {
            if (child instanceof Element) {
                leaf = false;
                found += leaves(name, (Element) child, expected, depth + 1);
            }
        }
        if (!leaf || FIXED.contains(element.getTagName())) return found;
        String tag = element.getTagName();
        // The ";"-joined fields of the file settings hold the text twice.
        String want = tag.equals("IP") || tag.equals("DEF") ? expected + ";" + expected : expected;
        assertEquals(want, element.getTextContent(), name + " <" + tag + ">");
        return 1;
    }

    /**
     * The engine's bytes as a document carries them, decoded the plain way: valid UTF-8 and
     * surrogate pairs in three-byte form as their characters; U+FFFD for each byte that starts
     * no valid sequence, a control other than tab, line feed and carriage return, the encoded
     * NUL, U+FFFE, U+FFFF and a lone surrogate.
     */
    static String readBack(byte[] b) {
        StringBuilder out = new StringBuilder();
        int n = b.length;
        for (int i = 0; i < n;) {
            int[] length = new int[1];
            int code = decode(b, i, length);
            if (code >= 0xD800 && code <= 0xDBFF) {
                int[] lowLength = new int[1];
                int low = decode(b, i + 3, lowLength);
                if (low >= 0xDC00 && low <= 0xDFFF && lowLength[0] == 3) {
                    out.append((char) code).append((char) low);
                    i += 6;
                    continue;
                }
            }
            boolean bad = code < 0 || (code < 0x20 && code != '\t' && code != '\n' && code != '\r')
                    || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF;
            if (bad) out.append('\ufffd');
            else out.appendCodePoint(code);
            i += length[0];
        }
        return out.toString();
    }

    /** The code point at b[i] and its length; -1 (length 1) where no sequence starts; 0 for C0 80. */
    static int decode(byte[] b, int i, int[] length) {
        int n = b.length;
        int c = i < n ? b[i] & 0xFF : -1;
        length[0] = 1;
        if (c < 0) return -1;
        if (c < 0x80) return c;
        int k = c > 0xF4 ? 0 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (k == 0 || i + k > n) return -1;
        int code = c & (0x7F >> k);
        for (int j = 1; j < k; ++j) {
            int next = b[i + j] & 0xFF;
            if ((next & 0xC0) != 0x80) return -1;
            code = code << 6 | (next & 0x3F);
        }
        if (k == 2 && c == 0xC0 && (b[i + 1] & 0xFF) == 0x80) {
            length[0] = 2;
            return 0;  // the encoded NUL: one U+FFFD
        }
        int least = k == 2 ? 0x80 : k == 3 ? 0x800 : 0x10000;
        if (code < least || code > 0x10FFFF) return -1;
        length[0] = k;
        return code;
    }
}
