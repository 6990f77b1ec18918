#include "bridge/JniSupport.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "xml/Utf8.h"

namespace Bridge {

ScopedUtfChars::ScopedUtfChars(JNIEnv* env, jstring text) : m_env(env), m_text(text), m_chars(nullptr) {
    static_assert(std::is_same<jchar, std::uint16_t>::value, "a Java char is a UTF-16 unit");
    // After an earlier conversion of the same call failed, its exception is
    // pending and no further JNI call may be made: this one counts as failed.
    if (text == nullptr || env->ExceptionCheck()) return;
    const jsize length = env->GetStringLength(text);
    if (length < 0 || length > kShortUnits) {
        m_chars = env->GetStringUTFChars(text, nullptr);
        return;
    }
    jchar units[kShortUnits];
    env->GetStringRegion(text, 0, length, units);
    if (env->ExceptionCheck()) return;
    char* out = m_short;
    for (jsize i = 0; i < length; ++i) out += Platform::PutModifiedUtf8(units[i], out);
    *out = '\0';
    m_chars = m_short;
}

ScopedUtfChars::~ScopedUtfChars() {
    if (m_chars != nullptr && m_chars != m_short) m_env->ReleaseStringUTFChars(m_text, m_chars);
}

JavaPath::JavaPath(JNIEnv* env, jstring text) {
    static_assert(std::is_same<jchar, std::uint16_t>::value, "a Java char is a UTF-16 unit");
    if (text == nullptr || env->ExceptionCheck()) return;
    const jsize length = env->GetStringLength(text);
    if (length <= 0) return;
    std::vector<jchar> chars(static_cast<size_t>(length));
    env->GetStringRegion(text, 0, length, chars.data());
    m_path = Platform::PathFromJavaChars(chars.data(), chars.size());
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

using Utils::Xml::FourByteSequenceLength;
using Utils::Xml::ModifiedSequenceLength;

}  // namespace

bool IsModifiedUtf8(const char* text, size_t length) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < length;) {
        if (s[i] < 0x80 && s[i] != 0) {
            ++i;
            continue;
        }
        const size_t n = ModifiedSequenceLength(s + i, length - i);
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
        size_t n = ModifiedSequenceLength(s + i, length - i);
        if (n != 0) {
            out.append(text + i, n);
            i += n;
            continue;
        }
        n = FourByteSequenceLength(s + i, length - i);
        if (n != 0) {
            const unsigned code = ((s[i] & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12) |
                                  ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
            const unsigned v = code - 0x10000;
            char pair[6];
            size_t at = Platform::PutModifiedUtf8(static_cast<std::uint16_t>(0xD800 | (v >> 10)), pair);
            at += Platform::PutModifiedUtf8(static_cast<std::uint16_t>(0xDC00 | (v & 0x3FF)), pair + at);
            out.append(pair, at);
            i += n;
            continue;
        }
        out.append(Utils::Xml::kReplacement);  // for each byte that starts no valid sequence
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
