// Native half of the Java class BenchNatives of the real-JVM benchmark: empty
// native methods of the same shapes as getCurrentLanguage and hasResults (the
// cost of a JNI call itself), and the redirection of the process's standard
// output, which the bridge's getTrees writes a line to on every call.

#include <fcntl.h>
#include <jni.h>
#include <unistd.h>

#include <cstdio>

extern "C" JNIEXPORT jint JNICALL Java_BenchNatives_emptyInt(JNIEnv*, jobject) { return 0; }

extern "C" JNIEXPORT jboolean JNICALL Java_BenchNatives_emptyWithString(JNIEnv*, jobject, jstring) { return JNI_FALSE; }

// The string argument read as the bridge reads it (GetStringUTFChars, a copy
// that the JVM allocates, then its release), and nothing else: the part of
// hasResults that any native method needing the text as a C string pays.
extern "C" JNIEXPORT jboolean JNICALL Java_BenchNatives_readString(JNIEnv* env, jobject, jstring text) {
    const char* chars = env->GetStringUTFChars(text, nullptr);
    if (chars == nullptr) return JNI_FALSE;
    const jboolean answer = chars[0] != '\0' ? JNI_TRUE : JNI_FALSE;
    env->ReleaseStringUTFChars(text, chars);
    return answer;
}

// The same text copied into a buffer on the stack (GetStringUTFRegion): no
// allocation and no release. Longer texts are not read.
extern "C" JNIEXPORT jboolean JNICALL Java_BenchNatives_readStringToStack(JNIEnv* env, jobject, jstring text) {
    char buffer[512];
    const jsize bytes = env->GetStringUTFLength(text);
    if (bytes >= static_cast<jsize>(sizeof buffer)) return JNI_FALSE;
    env->GetStringUTFRegion(text, 0, env->GetStringLength(text), buffer);
    buffer[bytes] = '\0';
    return buffer[0] != '\0' ? JNI_TRUE : JNI_FALSE;
}

// Points descriptor 1 at /dev/null and returns a new descriptor for what it
// was, or -1 when nothing was changed.
extern "C" JNIEXPORT jint JNICALL Java_BenchNatives_quietNativeStdout(JNIEnv*, jclass) {
    std::fflush(stdout);
    const int kept = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    if (kept < 0 || null < 0 || dup2(null, 1) < 0) {
        if (kept >= 0) close(kept);
        if (null >= 0) close(null);
        return -1;
    }
    close(null);
    return kept;
}

// Writes bytes to a descriptor, for System.out on the descriptor kept above
// (Java cannot open a stream on a bare descriptor number).
extern "C" JNIEXPORT jboolean JNICALL Java_BenchNatives_write(JNIEnv* env, jclass, jint fd, jbyteArray bytes,
                                                              jint offset, jint length) {
    jbyte* data = env->GetByteArrayElements(bytes, nullptr);
    if (data == nullptr) return JNI_FALSE;
    bool ok = true;
    for (jint done = 0; ok && done < length;) {
        const ssize_t n = ::write(fd, data + offset + done, static_cast<size_t>(length - done));
        ok = n > 0;
        done += ok ? static_cast<jint>(n) : 0;
    }
    env->ReleaseByteArrayElements(bytes, data, JNI_ABORT);
    return ok ? JNI_TRUE : JNI_FALSE;
}
