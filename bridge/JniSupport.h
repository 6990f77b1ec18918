#pragma once

// Small helpers every native method uses: the guard that keeps C++ exceptions
// on this side of the JNI boundary, a scoped holder for GetStringUTFChars, a
// Java string as a file path, the null-argument check, and the makers of Java
// results.

#include <jni.h>

#include <exception>
#include <initializer_list>
#include <string>

#include "engine/Platform.h"
#include "log/Logger.h"
#include "xml/Destination.h"

// The exported name of a native method, as the exit lines write it.
#define VORLAN_JNI_NAME(method) "Java_com_vorlanworks_bridge_caller_VorlanBridge_" method

namespace Bridge {

// Holds the modified-UTF-8 characters of a Java string for one scope and
// releases them on every way out. A short string is copied out with
// GetStringRegion and converted here, into a buffer inside the holder: no
// allocation by the JVM, and the bytes GetStringUTFChars would give. A longer
// one takes GetStringUTFChars. Holders of one scope are released in the
// reverse order of their declaration: the methods whose release order is
// fixed declare them accordingly and say so.
class ScopedUtfChars {
public:
    // The longest string, in UTF-16 units, read into the holder. Paths and the
    // engine's keys and names are shorter; at 3 bytes a unit the holder stays
    // under 1 KiB of stack, so the methods with several strings stay small.
    // Beyond it the JVM's own copy costs little beside the characters.
    static constexpr jsize kShortUnits = 256;

    ScopedUtfChars(JNIEnv* env, jstring text);
    ~ScopedUtfChars();
    ScopedUtfChars(const ScopedUtfChars&) = delete;
    ScopedUtfChars& operator=(const ScopedUtfChars&) = delete;

    // Null for a null Java string and for a failed conversion.
    const char* c_str() const { return m_chars; }
    bool isNull() const { return m_text == nullptr; }
    // The JVM could not hand the characters out; its exception is pending.
    bool failed() const { return m_text != nullptr && m_chars == nullptr; }

private:
    JNIEnv* m_env;
    jstring m_text;
    const char* m_chars;
    char m_short[3 * kShortUnits + 1];
};

// The characters of a Java string as a path the bridge itself opens or checks
// (the engine library, the log file, the file checks): the string's UTF-16,
// copied out with GetStringRegion and made the platform's path (UTF-8 on
// Linux, UTF-16 for the wide functions on Windows). Not the text the engine or
// a trace line gets: those keep the modified UTF-8 of ScopedUtfChars. Empty
// for a null string, and when a Java exception is already pending.
class JavaPath {
public:
    JavaPath(JNIEnv* env, jstring text);
    const Platform::NativePath& native() const { return m_path; }

private:
    Platform::NativePath m_path;
};

struct NamedArgument {
    const char* name;
    const ScopedUtfChars& value;
};

// True when every string argument arrived. A null one is logged at level 1
// ("\n%s: argument %s is null\n"); a failed conversion is not, its Java
// exception says enough. Either way the method must return its fallback.
bool ArgumentsPresent(const char* method, std::initializer_list<NamedArgument> arguments);

// Java string from engine or bridge text. Text that is valid modified UTF-8
// passes unchanged; a four-byte UTF-8 sequence becomes its surrogate pair and
// an invalid byte U+FFFD. A null text gives the empty string. Null when the JVM
// could not make the string (its exception is then pending).
jstring NewJavaString(JNIEnv* env, const char* text);
jstring NewJavaString(JNIEnv* env, const std::string& text);

// An empty Java byte[]: the result of a byte[] method that has no document.
// Null while a Java exception is pending (a failed conversion) or when the JVM
// could not make the array.
jbyteArray EmptyJavaBytes(JNIEnv* env);

// A Java byte[] as the destination of a document: made at the document's
// measured size, then filled piece by piece from the writer's small buffer,
// so the text never exists whole in native memory. No JNI critical region is
// held while the engine's records are walked.
class JavaArrayDestination final : public Utils::Xml::Destination {
public:
    explicit JavaArrayDestination(JNIEnv* env) : m_env(env) {}
    JavaArrayDestination(const JavaArrayDestination&) = delete;
    JavaArrayDestination& operator=(const JavaArrayDestination&) = delete;

    // False when the JVM could not make the array (its exception is pending).
    bool Begin(size_t bytes) override;
    // Bytes beyond the measured size are dropped: never written out of bounds.
    void Write(const char* bytes, size_t length) override;

    // The array written; an empty one when no document was begun; null when
    // the JVM could not make an array (its exception is then pending).
    jbyteArray Result();

private:
    JNIEnv* m_env;
    jbyteArray m_array = nullptr;
    jsize m_size = 0;
    jsize m_at = 0;
    bool m_failed = false;
};

// Modified UTF-8 as NewJavaString hands it to the JVM.
bool IsModifiedUtf8(const char* text, size_t length);
std::string ToModifiedUtf8(const char* text, size_t length);

void LogUnexpected(const char* method, const char* what);

// Thrown by a check deep inside a native method (the split of a Java list)
// that has refused an argument and logged its level-1 line: the guard returns
// the method's fallback and adds no line of its own.
struct ArgumentRefused {};

// Runs `body`; an exception that escapes it becomes one level-1 line. False
// when that happened.
template <typename Body>
bool RunGuarded(const char* method, Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (const ArgumentRefused&) {
    } catch (const std::exception& e) {
        LogUnexpected(method, e.what());
    } catch (...) {
        LogUnexpected(method, "unknown exception");
    }
    return false;
}

// Runs the body of a native method; an exception that escapes it becomes one
// level-1 line and the method's fallback value.
template <typename R, typename Body>
R Guard(const char* method, R fallback, Body&& body) noexcept {
    R result = fallback;
    RunGuarded(method, [&] { result = body(); });
    return result;
}

template <typename Body>
void GuardVoid(const char* method, Body&& body) noexcept {
    RunGuarded(method, body);
}

// The same for methods returning a Java string: the fallback is made as a Java
// string after the failure, unless a Java exception is already pending.
template <typename Body>
jstring GuardString(JNIEnv* env, const char* method, const char* fallback, Body&& body) noexcept {
    jstring result = nullptr;
    if (RunGuarded(method, [&] { result = body(); })) return result;
    RunGuarded(method, [&] { result = env->ExceptionCheck() ? nullptr : NewJavaString(env, fallback); });
    return result;
}

// The same for methods returning a byte[]: an empty array after a failure,
// unless a Java exception is already pending.
template <typename Body>
jbyteArray GuardBytes(JNIEnv* env, const char* method, Body&& body) noexcept {
    jbyteArray result = nullptr;
    if (RunGuarded(method, [&] { result = body(); })) return result;
    RunGuarded(method, [&] { result = EmptyJavaBytes(env); });
    return result;
}

}  // namespace Bridge
