// Results: opening the results store, aggregation with its progress callback,
// whether a file has (up-to-date) results, and a file's diagnostics as XML.

#include "bridge/ResultsMethods.h"

#include <string>

#include "bridge/JniSupport.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/Platform.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"

using Bridge::ScopedUtfChars;
using Utils::Logger;

namespace {

jboolean ToJava(bool answer) { return answer ? JNI_TRUE : JNI_FALSE; }

}  // namespace

void genericProgressFunction(unsigned int progress) {
    Logger::Log(2, "Aggregate progress is %d\n", static_cast<int>(progress));
}

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_initResults(JNIEnv* env, jobject,
                                                                                    jstring bindKey, jstring location,
                                                                                    jstring name) {
    return Bridge::Guard<jlong>("initResults", -1, [&]() -> jlong {
        int status;
        {
            ScopedUtfChars key(env, bindKey);
            ScopedUtfChars where(env, location);
            ScopedUtfChars what(env, name);
            if (!Bridge::ArgumentsPresent("initResults", {{"bindKey", key}, {"location", where}, {"name", what}}))
                return -1;
            Logger::Log(2,
                        "\nEnter call initResultst() with parameters: \n\t bindKey = %s \n\t location = %s \n\t "
                        "name = %s",
                        key.c_str(), where.c_str(), what.c_str());
            status = VorlanApi::GetInstance()->InitResults(key.c_str(), where.c_str(), what.c_str());
        }
        // The error code, not the status, follows "result =".
        Logger::Log(2, "\n\tExit %s result = %d ", VORLAN_JNI_NAME("initResults"), Platform::LastErrorCode());
        return status;
    });
}

JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_aggregate(JNIEnv*, jobject) {
    Bridge::GuardVoid("aggregate", [] {
        // The callback is handed to the proxy once per process and stays there.
        // A function-local static is set up exactly once, and racing first
        // calls wait until it is: none reaches the engine before the callback
        // is in place (with a flag tested first, a second thread could read
        // the callback while the first was still storing it).
        VorlanApi* api = VorlanApi::GetInstance();
        static const bool bAggregateSet = (api->SetAggregateCallback(&genericProgressFunction), true);
        (void)bAggregateSet;
        api->Aggregate();
    });
}

JNIEXPORT jboolean JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_hasResults(JNIEnv* env, jobject,
                                                                                      jstring filePath) {
    return Bridge::Guard<jboolean>("hasResults", JNI_FALSE, [&]() -> jboolean {
        ScopedUtfChars path(env, filePath);
        if (!Bridge::ArgumentsPresent("hasResults", {{"filePath", path}})) return JNI_FALSE;
        Logger::Log(2, "\nEnter call HasResults() with parameters: \n\t filePath = %s ", path.c_str());
        return ToJava(VorlanApi::GetInstance()->HasResults(path.c_str()));
    });
}

JNIEXPORT jboolean JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_hasUpToDateResults(JNIEnv* env, jobject,
                                                                                              jstring filePath) {
    return Bridge::Guard<jboolean>("hasUpToDateResults", JNI_FALSE, [&]() -> jboolean {
        ScopedUtfChars path(env, filePath);
        if (!Bridge::ArgumentsPresent("hasUpToDateResults", {{"filePath", path}})) return JNI_FALSE;
        Logger::Log(2, "\nEnter call HasUpToDateResults() with parameters: \n\t filePath = %s ", path.c_str());
        return ToJava(VorlanApi::GetInstance()->HasUpToDateResults(path.c_str()));
    });
}

// `messages`, `rules` and `mask` are accepted for the Java signature only: the
// engine is always asked without filters.
JNIEXPORT jbyteArray JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getDiagnostics(JNIEnv* env, jobject,
                                                                                            jstring filePath, jstring,
                                                                                            jstring, jlong) {
    return Bridge::GuardBytes(env, "getDiagnostics", [&]() -> jbyteArray {
        ScopedUtfChars path(env, filePath);
        if (!Bridge::ArgumentsPresent("getDiagnostics", {{"filePath", path}})) return Bridge::EmptyJavaBytes(env);
        Bridge::JavaArrayDestination xml(env);
        VorlanApi::GetInstance()->GetDiagnostics(path.c_str(), nullptr, nullptr, 0, xml);
        // Null when the array could not be made; the JVM's exception stays.
        return xml.Result();
    });
}
