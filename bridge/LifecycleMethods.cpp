// Engine lifecycle: deployment, bind key, start and shutdown, log levels and
// the engine's version.

#include "bridge/JniSupport.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/Platform.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"

using Bridge::ScopedUtfChars;
using Utils::Logger;

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_initDeploymentInfo(JNIEnv*, jobject) {
    return Bridge::Guard<jlong>("initDeploymentInfo", -1, [&] { return VorlanApi::GetInstance()->InitDeployment(); });
}

JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_setBindKey(JNIEnv* env, jobject,
                                                                                  jstring bindKey) {
    Bridge::GuardVoid("setBindKey", [&] {
        {
            ScopedUtfChars key(env, bindKey);
            if (!Bridge::ArgumentsPresent("setBindKey", {{"bindKey", key}})) return;
            Logger::Log(2, "\nEnter call SetBindKey() with parameters: \n\t bindKey = %s ", key.c_str());
            VorlanApi::GetInstance()->SetBindKey(key.c_str());
        }
        Logger::Log(2, "\n\tExit %s result = %d ", VORLAN_JNI_NAME("setBindKey"), Platform::LastErrorCode());
    });
}

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_initApi(JNIEnv* env, jobject,
                                                                               jstring bindKey) {
    return Bridge::Guard<jlong>("initApi", -1, [&]() -> jlong {
        int status;
        {
            ScopedUtfChars key(env, bindKey);
            if (!Bridge::ArgumentsPresent("initApi", {{"bindKey", key}})) return -1;
            Logger::Log(2, "\nEnter call initApi() with parameters: \n\t bindKey = %s ", key.c_str());
            status = VorlanApi::GetInstance()->InitApi(key.c_str());
        }
        Logger::Log(2, "\n\tExit %s result = %d ", VORLAN_JNI_NAME("initApi"), Platform::LastErrorCode());
        return status;
    });
}

JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_shutdownApi(JNIEnv*, jobject) {
    Bridge::GuardVoid("shutdownApi", [] { VorlanApi::GetInstance()->ShutdownApi(); });
}

JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_shutdownApp(JNIEnv*, jobject) {
    Bridge::GuardVoid("shutdownApp", [] { VorlanApi::GetInstance()->ShutdownApp(); });
}

JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_clearCachedObjects(JNIEnv*, jobject) {
    Bridge::GuardVoid("clearCachedObjects", [] { VorlanApi::GetInstance()->ClearCachedObjects(); });
}

JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_setDebugLevel(JNIEnv*, jobject, jint level) {
    Bridge::GuardVoid("setDebugLevel", [&] {
        // The bridge's own threshold first, then the same number to the engine.
        Logger::SetLogLevel(level);
        VorlanApi::GetInstance()->SetLogLevel(level);
    });
}

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getDebugLevel(JNIEnv*, jobject) {
    return Bridge::Guard<jlong>("getDebugLevel", 0, [] { return VorlanApi::GetInstance()->GetLogLevel(); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getVersionNumber(JNIEnv* env, jobject) {
    return Bridge::GuardString(env, "getVersionNumber", "0.0.0", [&] {
        return Bridge::NewJavaString(env, VorlanApi::GetInstance()->GetVersionNumber());
    });
}
