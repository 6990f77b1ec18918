#include "bridge/JniSupport.h"

#include <climits>
#include <cstring>

namespace Bridge {

ScopedUtfChars::ScopedUtfChars(JNIEnv* env, jstring text) : m_env(env), m_text(text), m_chars(nullptr) {
    // After an earlier conversion of the same call failed, its exception is
    // pending and no further JNI call may be made: this one counts as failed.
    if (text != nullptr && !env->ExceptionCheck()) m_chars = env->GetStringUTFChars(text, nullptr);
}

ScopedUtfChars::~ScopedUtfChars() {
    if (m_chars != nullptr) m_env->ReleaseStringUTFChars(m_text, m_chars);
}

bool ArgumentsPresent(const char* method, std::initializer_list<NamedArgument> arguments) {
    bool present = true;
    for (const NamedArgument& argument : arguments) {
        if (argument.value.isNull()) {
            Utils::Logger::Log(1, "\n%s: argument %s is null\n", method, argument.name);
            present = false;
        } else if (argument.value.failed()) {
            present = false;
        }
    }
    return present;
}

void LogUnexpected(const char* method, const char* what) {
    Utils::Logger::Log(1, "\n%s: unexpected failure: %s\n", method, what);
}

namespace {

inline bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the modified-UTF-8 sequence at s (at most `left` bytes), or 0 when
// the bytes there are not one.
size_t modifiedSequenceLength(const unsigned char* s, size_t left) {
    const unsigned char c = s[0];
    if (c >= 0x01 && c <= 0x7F) return 1;
    if (c == 0xC0) return left >= 2 && s[1] == 0x80 ? 2 : 0;  // encoded NUL
    if (c >= 0xC2 && c <= 0xDF) return left >= 2 && isContinuation(s[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !isContinuation(s[1]) || !isContinuation(s[2])) return 0;
        if (c == 0xE0 && s[1] < 0xA0) return 0;  // overlong
        return 3;  // surrogates (ED A0..BF) included: Java strings hold them
    }
    return 0;
}

// Length of a standard four-byte UTF-8 sequence at s, or 0.
size_t fourByteSequenceLength(const unsigned char* s, size_t left) {
    const unsigned char c = s[0];
    if (c < 0xF0 || c > 0xF4 || left < 4) return 0;
    if (!isContinuation(s[1]) || !isContinuation(s[2]) || !isContinuation(s[3])) return 0;
    if (c == 0xF0 && s[1] < 0x90) return 0;  // overlong
    if (c == 0xF4 && s[1] > 0x8F) return 0;  // beyond U+10FFFF
    return 4;
}

void appendThreeByte(std::string& out, unsigned unit) {
    out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
    out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
}

}  // namespace

bool IsModifiedUtf8(const char* text, size_t length) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < length;) {
        if (s[i] < 0x80 && s[i] != 0) {
            ++i;
            continue;
        }
        const size_t n = modifiedSequenceLength(s + i, length - i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string ToModifiedUtf8(const char* text, size_t length) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    std::string out;
    out.reserve(length + length / 8);
    for (size_t i = 0; i < length;) {
        size_t n = modifiedSequenceLength(s + i, length - i);
        if (n != 0) {
            out.append(text + i, n);
            i += n;
            continue;
        }
        n = fourByteSequenceLength(s + i, length - i);
        if (n != 0) {
            const unsigned code = ((s[i] & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) |
                                  ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
            const unsigned v = code - 0x10000;
            appendThreeByte(out, 0xD800 | (v >> 10));
            appendThreeByte(out, 0xDC00 | (v & 0x3FF));
            i += n;
            continue;
        }
        out.append("\xEF\xBF\xBD");  // U+FFFD for each byte that starts no valid sequence
        ++i;
    }
    return out;
}

jstring NewJavaString(JNIEnv* env, const char* text) {
    if (text == nullptr) text = "";
    const size_t length = std::strlen(text);
    if (IsModifiedUtf8(text, length)) return env->NewStringUTF(text);
    return env->NewStringUTF(ToModifiedUtf8(text, length).c_str());
}

jstring NewJavaString(JNIEnv* env, const std::string& text) {
    // An embedded NUL ends the text, as it would for the engine's C strings.
    return NewJavaString(env, text.c_str());
}

jbyteArray EmptyJavaBytes(JNIEnv* env) { return env->ExceptionCheck() ? nullptr : env->NewByteArray(0); }

bool JavaArrayDestination::Begin(size_t bytes) {
    // One document per array; the writers stop every document at the largest
    // Java array.
    if (m_array != nullptr || m_failed || bytes > static_cast<size_t>(INT_MAX)) return false;
    m_array = m_env->ExceptionCheck() ? nullptr : m_env->NewByteArray(static_cast<jsize>(bytes));
    if (m_array == nullptr) {
        m_failed = true;
        return false;
    }
    m_size = static_cast<jsize>(bytes);
    return true;
}

void JavaArrayDestination::Write(const char* bytes, size_t length) {
    if (m_array == nullptr || m_failed) return;
    const size_t room = static_cast<size_t>(m_size - m_at);
    const jsize n = static_cast<jsize>(length < room ? length : room);
    if (n == 0) return;
    m_env->SetByteArrayRegion(m_array, m_at, n, reinterpret_cast<const jbyte*>(bytes));
    m_at += n;
}

jbyteArray JavaArrayDestination::Result() {
    if (m_failed) return nullptr;
    return m_array != nullptr ? m_array : EmptyJavaBytes(m_env);
}

}  // namespace Bridge
