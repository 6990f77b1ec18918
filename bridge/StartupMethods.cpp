// Start-up: loading the engine library and directing the log.

#include "bridge/JniSupport.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"

using Bridge::ScopedUtfChars;
using Utils::Logger;

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_initJniBridge(JNIEnv* env, jobject,
                                                                                         jstring libraryPath) {
    return Bridge::GuardString(env, "initJniBridge", "initJniBridge: unexpected failure", [&]() -> jstring {
        std::string result = "OK";
        Logger::Log(2, "\nEnter initJniBridge \n");
        if (libraryPath == nullptr) return Bridge::NewJavaString(env, "Please select a path for Vorlan.dll file!");

        Logger::Log(2, "initJniBridge: call InitVorlanApi() \n");
        {
            ScopedUtfChars path(env, libraryPath);
            if (path.failed()) return nullptr;
            std::string failure =
                VorlanApi::GetInstance()->InitVorlanApi(path.c_str(), Bridge::JavaPath(env, libraryPath).native());
            if (!failure.empty()) {
                result = failure;
                Logger::Log(1, "%s\n", result.c_str());
            }
        }
        Logger::Log(2, "\nExit initJniBridge \n");
        return Bridge::NewJavaString(env, result);
    });
}

JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_setNativeLogFile(JNIEnv* env, jobject,
                                                                                        jstring path) {
    Bridge::GuardVoid("setNativeLogFile", [&] {
        ScopedUtfChars chars(env, path);
        if (!Bridge::ArgumentsPresent("setNativeLogFile", {{"path", chars}})) return;
        Logger::SetLogFile(chars.c_str(), Bridge::JavaPath(env, path).native());
    });
}
