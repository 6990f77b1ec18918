// The JNI helpers: modified UTF-8 for every Java string, the exception guard,
// byte arrays.

#include <stdexcept>
#include <string>

#include "bridge/JniSupport.h"
#include "tests/TestSupport.h"

using Bridge::IsModifiedUtf8;
using Bridge::ToModifiedUtf8;

namespace {
std::string Convert(const std::string& s) { return ToModifiedUtf8(s.data(), s.size()); }
const std::string kReplacement = "\xef\xbf\xbd";
}  // namespace

TEST(ModifiedUtf8, ValidTextPassesByteForByte) {
    for (const std::string& text : {std::string("plain ascii"), std::string("\xc3\xa9\xe4\xb8\xad"),
                                    std::string("\xc0\x80"),               // encoded NUL
                                    std::string("\xed\xa0\xbd\xed\xb8\x80"),  // a surrogate pair
                                    std::string("\xed\xa0\x80"),           // a lone surrogate: Java holds it
                                    std::string("\xe0\xa0\x80"),           // the lowest three-byte one
                                    std::string("\xef\xbf\xbf")}) {
        EXPECT_TRUE(IsModifiedUtf8(text.data(), text.size())) << text;
        EXPECT_EQ(Convert(text), text);
        EXPECT_TRUE(IsValidModifiedUtf8(Convert(text)));
    }
}

TEST(ModifiedUtf8, FourByteSequencesBecomeSurrogatePairs) {
    EXPECT_EQ(Convert("a\xf0\x9f\x98\x80z"), "a\xed\xa0\xbd\xed\xb8\x80z");     // U+1F600
    EXPECT_EQ(Convert("\xf0\x90\x80\x80"), "\xed\xa0\x80\xed\xb0\x80");         // U+10000
    EXPECT_EQ(Convert("\xf4\x8f\xbf\xbf"), "\xed\xaf\xbf\xed\xbf\xbf");         // U+10FFFF
}

TEST(ModifiedUtf8, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Convert("\xff"), kReplacement);
    EXPECT_EQ(Convert("a\x80z"), "a" + kReplacement + "z");                     // stray continuation
    EXPECT_EQ(Convert("\xc3"), kReplacement);                                   // cut short at the end
    EXPECT_EQ(Convert("\xe4\xb8"), kReplacement + kReplacement);
    EXPECT_EQ(Convert("\xc1\xbf"), kReplacement + kReplacement);                // overlong
    EXPECT_EQ(Convert("\xe0\x80\xaf"), kReplacement + kReplacement + kReplacement);
    EXPECT_EQ(Convert("\xf4\x90\x80\x80"), kReplacement + kReplacement + kReplacement + kReplacement);
    EXPECT_EQ(Convert("\xf0\x9f\x98"), kReplacement + kReplacement + kReplacement);
    EXPECT_EQ(Convert("\xc0"), kReplacement);                                   // encoded NUL cut short
    EXPECT_EQ(Convert("\xe4\x41\xad"), kReplacement + "A" + kReplacement);      // no continuation second
    EXPECT_EQ(Convert("\xe4\xb8\x41"), kReplacement + kReplacement + "A");      // no continuation third
    EXPECT_EQ(Convert("\xf5\x80\x80\x80"), kReplacement + kReplacement + kReplacement + kReplacement);
    EXPECT_EQ(Convert("\xf0\x9f\x41\x80"), kReplacement + kReplacement + "A" + kReplacement);
    // A raw 0x00 byte is no modified UTF-8 (Java writes U+0000 as C0 80).
    EXPECT_FALSE(IsModifiedUtf8("a\0b", 3));
    EXPECT_EQ(Convert(std::string("a\0b", 3)), "a" + kReplacement + "b");
    for (int byte = 1; byte < 256; ++byte) {
        const std::string text = "x" + std::string(1, static_cast<char>(byte)) + "\xe4\xb8\xad";
        EXPECT_TRUE(IsValidModifiedUtf8(Convert(text))) << byte;
    }
}

TEST(JniGuard, AnEscapingExceptionBecomesOneErrorLineAndTheFallback) {
    OutputCapture out(1);
    EXPECT_EQ(Bridge::Guard<long>("someMethod", -1L, []() -> long { throw std::runtime_error("boom"); }), -1L);
    Bridge::GuardVoid("voidMethod", [] { throw 42; });
    EXPECT_EQ(out.take(),
              "\nsomeMethod: unexpected failure: boom\n\nvoidMethod: unexpected failure: unknown exception\n");
}

class JniResults : public BridgeTest {};

TEST_F(JniResults, JavaPathIsTheStringsCharactersAsTheFileSystemNamesThem) {
    struct Row {
        const char* java;          // the Java string, in modified UTF-8
        const char* onLinux;       // the path's bytes on Linux
        std::u16string onWindows;  // its characters on Windows
    };
    const Row rows[] = {
        {"/opt/a.so", "/opt/a.so", u"/opt/a.so"},
        {"/J\xc3\xb6rg/\xe4\xb8\xad", "/J\xc3\xb6rg/\xe4\xb8\xad", u"/J\u00f6rg/\u4e2d"},
        // A surrogate pair: one four-byte sequence, U+1F600 and U+10000.
        {"a\xed\xa0\xbd\xed\xb8\x80z", "a\xf0\x9f\x98\x80z", u"a\U0001F600z"},
        {"\xed\xa0\x80\xed\xb0\x80", "\xf0\x90\x80\x80", u"\U00010000"},
        // Lone surrogates (a low one first, a high one last) and U+0000 keep
        // their modified-UTF-8 bytes on Linux.
        {"\xed\xb8\x80\xed\xa0\xbd", "\xed\xb8\x80\xed\xa0\xbd", std::u16string{char16_t(0xDE00), char16_t(0xD83D)}},
        {"a\xc0\x80/", "a\xc0\x80/", std::u16string(u"a\0/", 3)},
        {"", "", u""},
    };
    for (const Row& row : rows) {
        const Platform::NativePath path = Bridge::JavaPath(jni.env(), jni.str(row.java)).native();
#ifdef _WIN32
        EXPECT_EQ(path, std::wstring(row.onWindows.begin(), row.onWindows.end())) << row.java;
#else
        EXPECT_EQ(path, row.onLinux) << row.java;
#endif
    }
    EXPECT_TRUE(Bridge::JavaPath(jni.env(), nullptr).native().empty());
}

// The engine and the trace lines get the bytes GetStringUTFChars gives (the
// fake holds each string as exactly those bytes), whichever road a string
// takes: the holder's own conversion up to the bound, the JVM's copy beyond.
TEST_F(JniResults, StringsReadAsGetStringUTFCharsGivesThemOnBothSidesOfTheBound) {
    const std::string hostile[] = {
        "",
        "plain /src/a.c",
        "\xc0\x80\x61\xc0\x80\x62\xc0\x80",  // U+0000 at both ends and inside (a, b)
        "\xc2\x80\xdf\xbf\xe0\xa0\x80",      // U+0080, U+07FF, U+0800
        "\xef\xbf\xbf\xef\xbf\xbe",          // U+FFFF, U+FFFE
        "\xed\xa0\xbd\xed\xb8\x80",          // a surrogate pair (U+1F600)
        "\xed\xa0\xbdx\xed\xb8\x80",         // lone high, lone low
        "\xed\xb8\x80\xed\xa0\xbd",          // the pair reversed
        "J\xc3\xb6rg \xe4\xb8\xad\x7f\x01",
    };
    const jsize bound = Bridge::ScopedUtfChars::kShortUnits;
    for (const std::string& text : hostile) {
        const jsize units = static_cast<jsize>(Utf16OfModifiedUtf8(text).size());
        // Alone, filled to the bound with three-byte units (the holder's
        // buffer then full), and one unit past it.
        std::string full = text, past;
        for (jsize i = units; i < bound; ++i) full += "\xef\xbf\xbf";
        past = full + "\xc0\x80";
        for (const std::string& java : {text, full, past}) {
            ASSERT_TRUE(IsValidModifiedUtf8(java));
            const bool beyond = Utf16OfModifiedUtf8(java).size() > static_cast<size_t>(bound);
            Bridge::ScopedUtfChars chars(jni.env(), jni.str(java));
            ASSERT_NE(chars.c_str(), nullptr);
            EXPECT_EQ(std::string(chars.c_str()), java) << java.size() << " bytes";
            EXPECT_FALSE(chars.failed());
            EXPECT_EQ(jni.outstandingUtfChars(), beyond ? 1 : 0) << "the JVM's copy only beyond the bound";
        }
    }
    EXPECT_EQ(jni.stringsRead(), 3 * static_cast<int>(sizeof hostile / sizeof hostile[0]));
}

// A read that fails, on either road, is a failed conversion: no characters,
// the exception left pending, and no JNI call after it.
TEST_F(JniResults, AFailedReadOnEitherRoadIsAFailedConversion) {
    for (const std::string& java : {std::string("short"), std::string(300, 'x')}) {
        FakeJni fresh;
        fresh.failStringReads = true;
        Bridge::ScopedUtfChars chars(fresh.env(), fresh.str(java));
        EXPECT_EQ(chars.c_str(), nullptr);
        EXPECT_TRUE(chars.failed());
        EXPECT_TRUE(fresh.exceptionPending());
        EXPECT_EQ(fresh.outstandingUtfChars(), 0);
    }
}

TEST_F(JniResults, GuardedStringMethodsReturnTheirFallbackText) {
    OutputCapture out(0);
    jstring s = Bridge::GuardString(jni.env(), "getX", "null", []() -> jstring { throw std::bad_alloc(); });
    EXPECT_EQ(jni.text(s), "null");
}

// A document's array is made at the measured size and filled piece by piece;
// it never takes more than that size, and none is made twice.
TEST_F(JniResults, ByteArrayDocumentsCarryTheExactBytes) {
    const std::string bytes("a\0\xff<", 4);
    Bridge::JavaArrayDestination pieces(jni.env());
    ASSERT_TRUE(pieces.Begin(bytes.size()));
    pieces.Write(bytes.data(), 1);
    pieces.Write(bytes.data() + 1, 3);
    pieces.Write("beyond", 6);
    EXPECT_FALSE(pieces.Begin(1));
    EXPECT_EQ(jni.bytes(pieces.Result()), bytes);

    Bridge::JavaArrayDestination none(jni.env());
    EXPECT_EQ(jni.bytes(none.Result()), "");

    jni.failNewByteArray = true;
    expectException = true;
    Bridge::JavaArrayDestination failed(jni.env());
    EXPECT_FALSE(failed.Begin(bytes.size()));
    failed.Write(bytes.data(), bytes.size());
    EXPECT_EQ(failed.Result(), nullptr);
}

TEST_F(JniResults, NoConversionIsAttemptedWhileAnExceptionIsPending) {
    jni.failStringReads = true;
    expectException = true;
    Bridge::ScopedUtfChars first(jni.env(), jni.str("a"));
    jni.failStringReads = false;
    Bridge::ScopedUtfChars second(jni.env(), jni.str("b"));
    EXPECT_TRUE(first.failed());
    EXPECT_TRUE(second.failed());
    EXPECT_EQ(jni.stringsRead(), 0);
    EXPECT_FALSE(Bridge::ArgumentsPresent("m", {{"a", first}, {"b", second}}));
}
