import com.vorlanworks.bridge.caller.VorlanBridge;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * Loads the bridge, points it at an engine library and shows the start-up
 * trace. Arguments: the bridge library and the engine library, both complete
 * paths.
 */
public final class Demo {
    public static void main(String[] args) throws IOException {
        if (args.length < 2) {
            System.err.println("usage: Demo <bridge library> <engine library>");
            System.exit(2);
        }
        System.load(Path.of(args[0]).toAbsolutePath().toString());
        VorlanBridge bridge = new VorlanBridge();

        Path log = Files.createTempFile("vorlan-bridge", ".log");
        bridge.setNativeLogFile(log.toString());
        bridge.setDebugLevel(2);

        String answer = bridge.initJniBridge(Path.of(args[1]).toAbsolutePath().toString());
        System.out.println("initJniBridge: " + answer);
        System.out.println("engine version: " + bridge.getVersionNumber());
        System.out.println();
        System.out.println("--- start-up trace (" + log + ") ---");
        System.out.print(new String(Files.readAllBytes(log), StandardCharsets.UTF_8));
        System.out.println();
        System.out.println("---");
        Files.deleteIfExists(log);
        System.exit("OK".equals(answer) ? 0 : 1);
    }
}
