/**
 * Scripts the engine double that the bridge has loaded, from inside the JVM.
 * The native half is tests/engine-double/EngineScript.cpp.
 */
final class EngineScript {
    static {
        System.load(System.getProperty("vorlan.script"));
    }

    private EngineScript() {}

    /** Hands out a small record of every family; empties the call log. */
    static native boolean useSampleRecords(String enginePath);

    /** Back to an engine that hands out nothing. */
    static native void removeRecords(String enginePath);

    /** How often the engine saw exactly this call, e.g. "getFiles()". */
    static native int callCount(String enginePath, String line);

    /** Releases so far, and how many got a record their fetch did not hand out. */
    static native int[] releases(String enginePath);
}
