package consumer;

import com.vorlanworks.bridge.caller.VorlanBridge;
import com.vorlanworks.bridge.caller.VorlanBridgeLibrary;

/** Loads the bridge from its jar and the engine named by the argument, as a Java team's program does. */
public final class Consumer {
    public static void main(String[] args) {
        VorlanBridgeLibrary.load();
        VorlanBridge bridge = new VorlanBridge();
        String answer = bridge.initJniBridge(args[0]);
        System.out.println("initJniBridge: " + answer);
        if (!"OK".equals(answer)) System.exit(1);
        System.out.println("engine version " + bridge.getVersionNumber());
    }
}
