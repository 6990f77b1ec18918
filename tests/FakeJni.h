#pragma once

// A fake JNI environment for end-to-end tests of the exported functions: a real
// JNINativeInterface_ table whose unused slots abort the test program. It holds
// Java strings (as modified UTF-8, handed out as UTF-16 too, as a JVM does)
// and byte arrays, checks that every GetStringUTFChars is released and that
// every string handed to NewStringUTF is valid modified UTF-8, and can be told
// to fail a JNI call the way an out-of-memory JVM does.
// While a Java exception is pending only ExceptionCheck and
// ReleaseStringUTFChars may be called; any other call aborts, as a real JVM
// may misbehave then.

#include <jni.h>

#include <deque>
#include <string>
#include <vector>

class FakeJni {
public:
    FakeJni();
    ~FakeJni();
    FakeJni(const FakeJni&) = delete;
    FakeJni& operator=(const FakeJni&) = delete;

    JNIEnv* env() { return &m_holder.env; }
    jobject self() { return reinterpret_cast<jobject>(&m_self); }

    // A Java string holding these modified-UTF-8 bytes.
    jstring str(const std::string& utf);
    // Text of a string or bytes of an array that the bridge returned.
    std::string text(jstring s) const;
    std::string bytes(jbyteArray a) const;

    int outstandingUtfChars() const { return m_outstanding; }
    // The text of each string whose characters were released, in release order.
    const std::vector<std::string>& releasedStrings() const { return m_released; }
    // Strings read whole, by GetStringUTFChars or by GetStringRegion.
    int stringsRead() const { return m_taken; }
    bool exceptionPending() const { return m_exception; }
    // Strings that NewStringUTF received and were not valid modified UTF-8.
    const std::vector<std::string>& invalidStrings() const { return m_invalid; }

    // Failure injection: the next calls of these return null (a string read,
    // GetStringUTFChars or GetStringRegion, copies nothing) and raise an
    // exception in the fake JVM.
    bool failStringReads = false;
    bool failNewStringUTF = false;
    bool failNewByteArray = false;
    // With failStringReads set, this many reads still succeed first: so a
    // test can fail the second or third string of one call.
    int stringReadsBeforeFailure = 0;

private:
    struct Holder {
        JNIEnv env;
        FakeJni* owner;
    };
    struct JavaString {
        std::string utf;
    };
    struct JavaBytes {
        std::vector<jbyte> data;
    };

    static FakeJni& of(JNIEnv* env) { return *reinterpret_cast<Holder*>(env)->owner; }

    static jsize JNICALL GetStringLength(JNIEnv* env, jstring s);
    static void JNICALL GetStringRegion(JNIEnv* env, jstring s, jsize start, jsize length, jchar* buf);
    static const char* JNICALL GetStringUTFChars(JNIEnv* env, jstring s, jboolean* isCopy);
    static void JNICALL ReleaseStringUTFChars(JNIEnv* env, jstring s, const char* chars);
    static jstring JNICALL NewStringUTF(JNIEnv* env, const char* utf);
    static jbyteArray JNICALL NewByteArray(JNIEnv* env, jsize length);
    static void JNICALL SetByteArrayRegion(JNIEnv* env, jbyteArray a, jsize start, jsize length, const jbyte* buf);
    static jboolean JNICALL ExceptionCheck(JNIEnv* env);

    JNINativeInterface_ m_functions;
    Holder m_holder;
    int m_self = 0;
    std::deque<JavaString> m_strings;
    std::deque<JavaBytes> m_arrays;
    int m_outstanding = 0;
    int m_taken = 0;
    bool m_exception = false;
    std::vector<std::string> m_invalid;
    std::vector<std::string> m_released;
};

// Independent check of modified UTF-8, as the JVM reads it.
bool IsValidModifiedUtf8(const std::string& bytes);

// The UTF-16 units that valid modified UTF-8 encodes.
std::u16string Utf16OfModifiedUtf8(const std::string& bytes);
