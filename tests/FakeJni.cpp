#include "tests/FakeJni.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr size_t kSlots = sizeof(JNINativeInterface_) / sizeof(void*);

template <size_t N>
void unexpectedSlot() {
    std::fprintf(stderr, "FakeJni: the bridge called JNI function slot %u, which the fake does not provide\n",
                 static_cast<unsigned>(N));
    std::fflush(stderr);
    std::abort();
}

template <size_t... N>
void fillUnexpected(void** slots, std::index_sequence<N...>) {
    ((slots[N] = reinterpret_cast<void*>(&unexpectedSlot<N>)), ...);
}

}  // namespace

bool IsValidModifiedUtf8(const std::string& bytes) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    auto cont = [&](size_t i) { return i < n && (s[i] & 0xC0) == 0x80; };
    for (size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        if (c == 0) return false;
        if (c < 0x80) {
            i += 1;
        } else if ((c & 0xE0) == 0xC0) {
            if (!cont(i + 1)) return false;
            const unsigned code = ((c & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
            if (code < 0x80 && code != 0) return false;
            i += 2;
        } else if ((c & 0xF0) == 0xE0) {
            if (!cont(i + 1) || !cont(i + 2)) return false;
            const unsigned code = ((c & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu);
            if (code < 0x800) return false;
            i += 3;
        } else {
            return false;  // four-byte forms and stray bytes are not modified UTF-8
        }
    }
    return true;
}

std::u16string Utf16OfModifiedUtf8(const std::string& bytes) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::u16string units;
    for (size_t i = 0; i < bytes.size();) {
        if (s[i] < 0x80) {
            units.push_back(s[i]);
            i += 1;
        } else if ((s[i] & 0xE0) == 0xC0 && i + 1 < bytes.size()) {
            units.push_back(static_cast<char16_t>(((s[i] & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu)));
            i += 2;
        } else if (i + 2 < bytes.size()) {
            units.push_back(
                static_cast<char16_t>(((s[i] & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6) | (s[i + 2] & 0x3Fu)));
            i += 3;
        } else {
            break;
        }
    }
    return units;
}

FakeJni::FakeJni() {
    void* slots[kSlots];
    fillUnexpected(slots, std::make_index_sequence<kSlots>());
    std::memcpy(&m_functions, slots, sizeof m_functions);
    m_functions.GetStringLength = &FakeJni::GetStringLength;
    m_functions.GetStringRegion = &FakeJni::GetStringRegion;
    m_functions.GetStringUTFChars = &FakeJni::GetStringUTFChars;
    m_functions.ReleaseStringUTFChars = &FakeJni::ReleaseStringUTFChars;
    m_functions.NewStringUTF = &FakeJni::NewStringUTF;
    m_functions.NewByteArray = &FakeJni::NewByteArray;
    m_functions.SetByteArrayRegion = &FakeJni::SetByteArrayRegion;
    m_functions.ExceptionCheck = &FakeJni::ExceptionCheck;
    m_holder.env.functions = &m_functions;
    m_holder.owner = this;
}

FakeJni::~FakeJni() = default;

jstring FakeJni::str(const std::string& utf) {
    m_strings.push_back(JavaString{utf});
    return reinterpret_cast<jstring>(&m_strings.back());
}

std::string FakeJni::text(jstring s) const {
    if (s == nullptr) return "<null jstring>";
    return reinterpret_cast<const JavaString*>(s)->utf;
}

std::string FakeJni::bytes(jbyteArray a) const {
    if (a == nullptr) return "<null jbyteArray>";
    const std::vector<jbyte>& data = reinterpret_cast<const JavaBytes*>(a)->data;
    return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

jsize JNICALL FakeJni::GetStringLength(JNIEnv* env, jstring s) {
    FakeJni& self = of(env);
    if (s == nullptr || self.m_exception) {
        std::fprintf(stderr, "FakeJni: GetStringLength on a null jstring or with an exception pending\n");
        std::abort();
    }
    return static_cast<jsize>(Utf16OfModifiedUtf8(reinterpret_cast<JavaString*>(s)->utf).size());
}

void JNICALL FakeJni::GetStringRegion(JNIEnv* env, jstring s, jsize start, jsize length, jchar* buf) {
    FakeJni& self = of(env);
    if (s == nullptr || self.m_exception) {
        std::fprintf(stderr, "FakeJni: GetStringRegion on a null jstring or with an exception pending\n");
        std::abort();
    }
    const std::u16string units = Utf16OfModifiedUtf8(reinterpret_cast<JavaString*>(s)->utf);
    if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > units.size()) {
        self.m_exception = true;  // StringIndexOutOfBoundsException
        return;
    }
    if (self.failStringReads) {
        if (self.stringReadsBeforeFailure > 0) {
            --self.stringReadsBeforeFailure;
        } else {
            self.m_exception = true;
            return;
        }
    }
    for (jsize i = 0; i < length; ++i) buf[i] = units[static_cast<size_t>(start + i)];
    ++self.m_taken;
}

const char* JNICALL FakeJni::GetStringUTFChars(JNIEnv* env, jstring s, jboolean* isCopy) {
    FakeJni& self = of(env);
    if (s == nullptr) {
        std::fprintf(stderr, "FakeJni: GetStringUTFChars on a null jstring\n");
        std::abort();
    }
    if (self.m_exception) {
        std::fprintf(stderr, "FakeJni: GetStringUTFChars called with an exception pending\n");
        std::abort();
    }
    if (self.failStringReads) {
        if (self.stringReadsBeforeFailure > 0) {
            --self.stringReadsBeforeFailure;
        } else {
            self.m_exception = true;
            return nullptr;
        }
    }
    if (isCopy != nullptr) *isCopy = JNI_TRUE;
    const std::string& utf = reinterpret_cast<JavaString*>(s)->utf;
    char* copy = static_cast<char*>(std::malloc(utf.size() + 1));
    std::memcpy(copy, utf.c_str(), utf.size() + 1);
    ++self.m_outstanding;
    ++self.m_taken;
    return copy;
}

void JNICALL FakeJni::ReleaseStringUTFChars(JNIEnv* env, jstring s, const char* chars) {
    FakeJni& self = of(env);
    if (chars == nullptr) {
        std::fprintf(stderr, "FakeJni: ReleaseStringUTFChars with null characters\n");
        std::abort();
    }
    --self.m_outstanding;
    self.m_released.push_back(s != nullptr ? reinterpret_cast<JavaString*>(s)->utf : "<null jstring>");
    std::free(const_cast<char*>(chars));
}

jstring JNICALL FakeJni::NewStringUTF(JNIEnv* env, const char* utf) {
    FakeJni& self = of(env);
    if (utf == nullptr) {
        std::fprintf(stderr, "FakeJni: NewStringUTF with null characters\n");
        std::abort();
    }
    if (self.m_exception) {
        std::fprintf(stderr, "FakeJni: NewStringUTF called with an exception pending\n");
        std::abort();
    }
    if (self.failNewStringUTF) {
        self.m_exception = true;
        return nullptr;
    }
    if (!IsValidModifiedUtf8(utf)) self.m_invalid.push_back(utf);
    return self.str(utf);
}

jbyteArray JNICALL FakeJni::NewByteArray(JNIEnv* env, jsize length) {
    FakeJni& self = of(env);
    if (self.m_exception) {
        std::fprintf(stderr, "FakeJni: NewByteArray called with an exception pending\n");
        std::abort();
    }
    if (self.failNewByteArray || length < 0) {
        self.m_exception = true;
        return nullptr;
    }
    self.m_arrays.push_back(JavaBytes{std::vector<jbyte>(static_cast<size_t>(length))});
    return reinterpret_cast<jbyteArray>(&self.m_arrays.back());
}

void JNICALL FakeJni::SetByteArrayRegion(JNIEnv* env, jbyteArray a, jsize start, jsize length, const jbyte* buf) {
    FakeJni& self = of(env);
    if (a == nullptr) {
        std::fprintf(stderr, "FakeJni: SetByteArrayRegion on a null array\n");
        std::abort();
    }
    if (self.m_exception) {
        std::fprintf(stderr, "FakeJni: SetByteArrayRegion called with an exception pending\n");
        std::abort();
    }
    std::vector<jbyte>& data = reinterpret_cast<JavaBytes*>(a)->data;
    if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > data.size()) {
        self.m_exception = true;  // ArrayIndexOutOfBoundsException
        return;
    }
    std::memcpy(data.data() + start, buf, static_cast<size_t>(length));
}

jboolean JNICALL FakeJni::ExceptionCheck(JNIEnv* env) { return of(env).m_exception ? JNI_TRUE : JNI_FALSE; }
