#pragma once

// Shared rig of the C++ tests: where the engine doubles lie, their control
// interface, log capture, and a fixture holding the fake JNI environment.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "tests/FakeJni.h"
#include "tests/engine-double/EngineDouble.h"

// The exported JNI function of a native method.
#define JNI(method) Java_com_vorlanworks_bridge_caller_VorlanBridge_##method

// Complete path of a library built next to the test program: "Vorlan" gives
// libVorlan.so or Vorlan.dll.
std::string TestLibrary(const std::string& base);
std::string FullEngine();     // the scripted engine with all 53 entries
std::string PartialEngine();  // the variant that lacks some of them

// The control interface of the engine double at `path` (loaded if needed).
EngineDoubleControl* EngineControl(const std::string& path);
EngineDoubleControl* EngineControl(const std::filesystem::path& path);

// A directory of its own for the running test, created empty.
std::string TestDirectory();
std::string ReadFile(const std::filesystem::path& path);
// A log file as the logger wrote it: it appends in text mode, so the Windows
// build's file has CRLF line ends where the Linux build's has LF; this gives
// the text back with LF on both.
std::string ReadLogFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

// A path named outside ASCII, twice: as a Java string holds it (modified
// UTF-8, for FakeJni::str and the trace lines) and as the file system names
// it. The two are spelled out separately, not converted one from the other.
struct JavaNamedPath {
    std::string java;
    std::filesystem::path native;
    JavaNamedPath operator/(const std::string& asciiName) const;
};
// The running test's folder "déjà vu 😀" (a character outside the BMP),
// created empty.
JavaNamedPath NonAsciiDirectory();

// Whether the library at `path` is loaded in this process.
bool LibraryIsLoaded(const std::string& path);

// Runs `work` on a new thread with a stack of `stackBytes` and waits for it:
// deep record trees must serialise there without overflowing it.
void RunOnSmallStack(const std::function<void()>& work, size_t stackBytes = 256 * 1024);

// Sets the log threshold and collects what is written to standard output
// (where the log goes while no log file is set) until take().
class OutputCapture {
public:
    explicit OutputCapture(int level = 2);
    ~OutputCapture();
    std::string take();

private:
    bool m_capturing;
};

// Fixture: a fake JNI environment that must end the test with every string
// released and no Java exception pending, unless the test says otherwise.
class BridgeTest : public ::testing::Test {
protected:
    void TearDown() override;

    // initJniBridge with the full engine double; returns its control.
    EngineDoubleControl* LoadEngine(const std::string& path = FullEngine());

    FakeJni jni;
    bool expectException = false;
};
