import com.vorlanworks.bridge.caller.VorlanBridge;

import java.io.ByteArrayOutputStream;
import java.io.DataOutputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;

/** Loads the bridge named by -Dvorlan.bridge once for all test classes. */
final class BridgeLoader {
    private static VorlanBridge bridge;

    private BridgeLoader() {}

    static synchronized VorlanBridge bridge() {
        if (bridge == null) {
            System.load(System.getProperty("vorlan.bridge"));
            bridge = new VorlanBridge();
        }
        return bridge;
    }

    /** The scripted test engine. */
    static String engine() {
        return System.getProperty("vorlan.engine");
    }

    /** The modified UTF-8 of `text` (as trace lines show Java strings), one char per byte. */
    static String modifiedUtf8(String text) throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        new DataOutputStream(bytes).writeUTF(text);
        return new String(bytes.toByteArray(), 2, bytes.size() - 2, StandardCharsets.ISO_8859_1);
    }
}
