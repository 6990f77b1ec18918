import com.vorlanworks.bridge.caller.VorlanBridge;
import com.vorlanworks.bridge.caller.VorlanBridgeLibrary;

import java.lang.reflect.InvocationTargetException;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * The loader in a JVM of its own, for NativeLibraryTest: "load" loads the bridge (twice, the
 * second a no-op) and calls a native method; "race GO" says "ready" and loads once the file GO
 * exists; "two-loaders" loads the jar's classes in two class loaders. A load failure prints its
 * message and ends with status 1.
 */
public final class LoaderProbe {
    public static void main(String[] args) throws Exception {
        try {
            switch (args[0]) {
                case "race":
                    System.out.println("ready");
                    System.out.flush();
                    for (Path go = Path.of(args[1]); !Files.exists(go);) Thread.sleep(1);
                    load();
                    break;
                case "two-loaders":
                    URL jar = VorlanBridgeLibrary.class.getProtectionDomain().getCodeSource().getLocation();
                    URLClassLoader[] loaders = new URLClassLoader[2];
                    for (int i = 0; i < loaders.length; i++) {
                        loaders[i] = new URLClassLoader(new URL[] {jar}, ClassLoader.getPlatformClassLoader());
                        try {
                            loaders[i].loadClass(VorlanBridgeLibrary.class.getName()).getMethod("load").invoke(null);
                        } catch (InvocationTargetException e) {
                            throw (Error) e.getCause();
                        }
                        System.out.println("loaded in class loader " + (i + 1));
                    }
                    break;
                default:
                    load();
            }
        } catch (UnsatisfiedLinkError e) {
            System.out.println(e.getMessage());
            System.exit(1);
        }
    }

    private static void load() {
        VorlanBridgeLibrary.load();
        VorlanBridgeLibrary.load();
        // A native method answers (its fallback, without an engine): the library is bound.
        System.out.println("loaded, engine version " + new VorlanBridge().getVersionNumber());
    }
}
