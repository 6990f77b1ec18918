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

    /**
     * Hands out records broken in every way an engine may break them (depth 0), or diagnostics,
     * rules and a file tree nested {@code depth} levels deep.
     */
    static native boolean useSchemaRecords(String enginePath, int depth);

    /** Hands out records of every family with these bytes in every text field. */
    static native boolean useTextEverywhere(String enginePath, byte[] text);

    /** Back to an engine that hands out nothing. */
    static native void removeRecords(String enginePath);

    /** How often the engine saw exactly this call, e.g. "getFiles()". */
    static native int callCount(String enginePath, String line);

    /** Releases so far, and how many got a record their fetch did not hand out. */
    static native int[] releases(String enginePath);
}
