/**
 * The benchmark's own JNI library (bench/jvm/BenchNatives.cpp): empty native methods of the shapes
 * of getCurrentLanguage and hasResults, which time the JNI call itself, and the redirection of the
 * process's standard output.
 */
final class BenchNatives {
    native int emptyInt();

    native boolean emptyWithString(String text);

    /** Reads the text with GetStringUTFChars and releases it, as the bridge does. */
    native boolean readString(String text);

    /** Reads the text into a stack buffer with GetStringUTFRegion. */
    native boolean readStringToStack(String text);

    /** Points descriptor 1 at /dev/null; returns a descriptor for what it was, or -1. */
    static native int quietNativeStdout();

    /** Writes `length` bytes from `offset` to the descriptor `fd`; false on a failure. */
    static native boolean write(int fd, byte[] bytes, int offset, int length);
}
