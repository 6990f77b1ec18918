// Native half of the JUnit class EngineScript: lets tests in a real JVM script
// the engine double that the bridge has loaded, and read back what it saw.
// The double is found by its path; dlopen hands back the very library the
// bridge loaded, so both see one control.

#include <dlfcn.h>
#include <jni.h>

#include <memory>
#include <string>

#include "tests/SampleRecords.h"
#include "tests/engine-double/EngineDouble.h"

namespace {

EngineDoubleControl* control(JNIEnv* env, jstring enginePath) {
    const char* path = env->GetStringUTFChars(enginePath, nullptr);
    if (path == nullptr) return nullptr;
    void* library = dlopen(path, RTLD_LAZY);
    env->ReleaseStringUTFChars(enginePath, path);
    if (library == nullptr) return nullptr;
    auto get = reinterpret_cast<EngineDoubleControl* (*)()>(dlsym(library, "engineDoubleControl"));
    return get != nullptr ? get() : nullptr;
}

std::unique_ptr<SampleRecords> g_records;

}  // namespace

// The sample records in place of "nothing", and the call log emptied.
extern "C" JNIEXPORT jboolean JNICALL Java_EngineScript_useSampleRecords(JNIEnv* env, jclass, jstring enginePath) {
    EngineDoubleControl* c = control(env, enginePath);
    if (c == nullptr) return JNI_FALSE;
    g_records.reset(new SampleRecords());
    g_records->Install(*c);
    c->calls.clear();
    c->releases.clear();
    return JNI_TRUE;
}

// Back to an engine that hands out nothing. The records stay allocated: the
// engine double may still point at them until this returns.
extern "C" JNIEXPORT void JNICALL Java_EngineScript_removeRecords(JNIEnv* env, jclass, jstring enginePath) {
    if (EngineDoubleControl* c = control(env, enginePath)) SampleRecords::Remove(*c);
}

// How often the engine saw exactly this call line, e.g. "getFiles()".
extern "C" JNIEXPORT jint JNICALL Java_EngineScript_callCount(JNIEnv* env, jclass, jstring enginePath, jstring line) {
    EngineDoubleControl* c = control(env, enginePath);
    const char* chars = env->GetStringUTFChars(line, nullptr);
    if (c == nullptr || chars == nullptr) {
        if (chars != nullptr) env->ReleaseStringUTFChars(line, chars);
        return -1;
    }
    const std::string wanted = chars;
    env->ReleaseStringUTFChars(line, chars);
    jint count = 0;
    for (const std::string& call : c->calls) count += call == wanted ? 1 : 0;
    return count;
}

// Releases so far, and how many of them got back a record that was not
// handed out through their own fetch (that must be none).
extern "C" JNIEXPORT jintArray JNICALL Java_EngineScript_releases(JNIEnv* env, jclass, jstring enginePath) {
    EngineDoubleControl* c = control(env, enginePath);
    if (c == nullptr) return nullptr;
    jint counts[2] = {0, 0};
    for (const EngineRelease& release : c->releases) {
        ++counts[0];
        if (!SampleRecords::HandedOut(*c, release.entry, release.pointer)) ++counts[1];
    }
    jintArray result = env->NewIntArray(2);
    if (result != nullptr) env->SetIntArrayRegion(result, 0, 2, counts);
    return result;
}
