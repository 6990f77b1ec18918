#include "tests/TestSupport.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "engine/Platform.h"
#include "log/Logger.h"
#include "tests/ProgramDirectory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#endif

std::string TestLibrary(const std::string& base) { return LibraryNextToProgram(base); }

std::string FullEngine() { return TestLibrary("Vorlan"); }
std::string PartialEngine() { return TestLibrary("VorlanPartial"); }

namespace {
EngineDoubleControl* controlOf(void* library) {
    if (library == nullptr) return nullptr;
    auto control = reinterpret_cast<EngineDoubleControl* (*)()>(Platform::FindSymbol(library, "engineDoubleControl"));
    return control != nullptr ? control() : nullptr;
}
}  // namespace

EngineDoubleControl* EngineControl(const std::string& path) { return controlOf(Platform::OpenLibrary(path.c_str())); }

EngineDoubleControl* EngineControl(const std::filesystem::path& path) {
    return controlOf(Platform::OpenLibrary(path.native()));
}

bool LibraryIsLoaded(const std::string& path) {
#ifdef _WIN32
    return GetModuleHandleA(path.c_str()) != nullptr;
#else
    void* library = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (library != nullptr) dlclose(library);
    return library != nullptr;
#endif
}

JavaNamedPath JavaNamedPath::operator/(const std::string& asciiName) const {
#ifdef _WIN32
    return {java + "\\" + asciiName, native / asciiName};
#else
    return {java + "/" + asciiName, native / asciiName};
#endif
}

JavaNamedPath NonAsciiDirectory() {
    JavaNamedPath dir;
    // "déjà vu " and U+1F600: its surrogate pair in modified UTF-8, its one
    // character in the file system's name.
#ifdef _WIN32
    dir.java = TestDirectory() + "\\d\xC3\xA9j\xC3\xA0 vu \xED\xA0\xBD\xED\xB8\x80";
    dir.native = std::filesystem::path(TestDirectory()) / std::wstring(L"d\u00e9j\u00e0 vu \xD83D\xDE00");
#else
    dir.java = TestDirectory() + "/d\xC3\xA9j\xC3\xA0 vu \xED\xA0\xBD\xED\xB8\x80";
    dir.native = TestDirectory() + "/d\xC3\xA9j\xC3\xA0 vu \xF0\x9F\x98\x80";
#endif
    std::filesystem::remove_all(dir.native);
    std::filesystem::create_directory(dir.native);
    return dir;
}

#ifdef _WIN32
namespace {
DWORD WINAPI runWork(LPVOID work) {
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}
}  // namespace

void RunOnSmallStack(const std::function<void()>& work, size_t stackBytes) {
    HANDLE thread = CreateThread(nullptr, stackBytes, &runWork, const_cast<std::function<void()>*>(&work),
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}
#else
namespace {
void* runWork(void* work) {
    (*static_cast<const std::function<void()>*>(work))();
    return nullptr;
}
}  // namespace

void RunOnSmallStack(const std::function<void()>& work, size_t stackBytes) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, stackBytes), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, &runWork, const_cast<std::function<void()>*>(&work)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}
#endif

std::string TestDirectory() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("vorlan-test-") + info->test_suite_name() + "-" + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
#ifdef _WIN32
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
#else
    std::string dir = ::testing::TempDir() + name;
    mkdir(dir.c_str(), 0755);
    return dir;
#endif
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ReadLogFile(const std::filesystem::path& path) {
    std::string text = ReadFile(path);
#ifdef _WIN32
    std::string lf;
    lf.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf.push_back(text[i]);
    text.swap(lf);
#endif
    return text;
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

OutputCapture::OutputCapture(int level) : m_capturing(true) {
    Utils::Logger::SetLogLevel(level);
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
}

OutputCapture::~OutputCapture() {
    if (m_capturing) take();
}

std::string OutputCapture::take() {
    std::fflush(stdout);
    m_capturing = false;
    return ::testing::internal::GetCapturedStdout();
}

void BridgeTest::TearDown() {
    EXPECT_EQ(jni.outstandingUtfChars(), 0) << "GetStringUTFChars without its release";
    if (!expectException) {
        EXPECT_FALSE(jni.exceptionPending()) << "a Java exception is pending";
    }
    EXPECT_TRUE(jni.invalidStrings().empty()) << "NewStringUTF received text that is not modified UTF-8";
}

EngineDoubleControl* BridgeTest::LoadEngine(const std::string& path) {
    jstring answer = JNI(initJniBridge)(jni.env(), jni.self(), jni.str(path));
    EXPECT_EQ(jni.text(answer), "OK");
    EngineDoubleControl* control = EngineControl(path);
    EXPECT_NE(control, nullptr);
    return control;
}
