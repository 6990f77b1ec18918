import com.vorlanworks.bridge.caller.VorlanBridge;

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
}
