// Environment and settings entry points: installation and user paths, the
// workspace, languages, CMA projects, report tools, help and components, and
// the two user-library placeholders.

#include "bridge/JniSupport.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/Platform.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"

using Bridge::ScopedUtfChars;
using Utils::Logger;

namespace {

// A getter that hands the engine's text to Java unchanged; `fallback` is what
// the proxy answers without its entry, and so also the text after a failure.
template <typename Get>
jstring TextGetter(JNIEnv* env, const char* method, const char* fallback, Get get) {
    return Bridge::GuardString(env, method, fallback,
                               [&] { return Bridge::NewJavaString(env, get(*VorlanApi::GetInstance())); });
}

}  // namespace

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getInstallPath(JNIEnv* env, jobject) {
    return TextGetter(env, "getInstallPath", "null", [](VorlanApi& api) { return api.GetInstallPath(); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getUserPath(JNIEnv* env, jobject) {
    return TextGetter(env, "getUserPath", "null", [](VorlanApi& api) { return api.GetUserPath(); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getInstallConfigPath(JNIEnv* env, jobject) {
    return TextGetter(env, "getInstallConfigPath", "null", [](VorlanApi& api) { return api.GetInstallConfigPath(); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getInstallBinaryPath(JNIEnv* env, jobject) {
    return TextGetter(env, "getInstallBinaryPath", "null", [](VorlanApi& api) { return api.GetInstallBinaryPath(); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getUserAppConfigPath(JNIEnv* env, jobject) {
    return TextGetter(env, "getUserAppConfigPath", "null", [](VorlanApi& api) { return api.GetUserAppConfigPath(); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getUserConfigPath(JNIEnv* env, jobject) {
    return TextGetter(env, "getUserConfigPath", "null", [](VorlanApi& api) { return api.GetUserConfigPath(); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getWorkspace(JNIEnv* env, jobject) {
    return TextGetter(env, "getWorkspace", "null", [](VorlanApi& api) { return api.GetWorkSpacePath(); });
}

JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_setWorkspace(JNIEnv* env, jobject,
                                                                                    jstring path) {
    Bridge::GuardVoid("setWorkspace", [&] {
        {
            ScopedUtfChars chars(env, path);
            if (!Bridge::ArgumentsPresent("setWorkspace", {{"path", chars}})) return;
            VorlanApi::GetInstance()->SetWorkspacePath(chars.c_str());
        }
        Logger::Log(2, "\n\tExist %s result = %d ", VORLAN_JNI_NAME("setWorkspace"), Platform::LastErrorCode());
    });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getAvailableLanguages(JNIEnv* env, jobject) {
    return Bridge::GuardString(env, "getAvailableLanguages", "", [&] {
        return Bridge::NewJavaString(env, VorlanApi::GetInstance()->GetAvailableLanguages());
    });
}

// The current language passes both ways as a plain integer, whatever its value.
JNIEXPORT jint JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getCurrentLanguage(JNIEnv*, jobject) {
    return Bridge::Guard<jint>("getCurrentLanguage", 0, [] { return VorlanApi::GetInstance()->GetCurrentLanguage(); });
}

JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_setCurrentLanguage(JNIEnv*, jobject,
                                                                                          jint language) {
    Bridge::GuardVoid("setCurrentLanguage", [&] { VorlanApi::GetInstance()->SetCurrentLanguage(language); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getCMAProjects(JNIEnv* env, jobject) {
    return Bridge::GuardString(env, "getCMAProjects", "", [&] {
        Logger::Log(2, "\n getting CMA projects list \n");
        const std::string text = VorlanApi::GetInstance()->GetCMAProjectList();
        Logger::Log(2, "\n got it \n");
        return Bridge::NewJavaString(env, text);
    });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getReportTools(JNIEnv* env, jobject) {
    return Bridge::GuardString(env, "getReportTools", "", [&] {
        Logger::Log(2, "\n getting Report tools \n");
        const std::string text = VorlanApi::GetInstance()->GetReportTools();
        Logger::Log(2, "\n got it \n");
        return Bridge::NewJavaString(env, text);
    });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getComponents(JNIEnv* env, jobject) {
    return TextGetter(env, "getComponents", "", [](VorlanApi& api) { return api.GetComponents(); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getTivraHelp(JNIEnv* env, jobject,
                                                                                       jboolean html) {
    return TextGetter(env, "getTivraHelp", "",
                      [html](VorlanApi& api) { return api.GetTivraHelpFile(html != JNI_FALSE); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getTivraContextHelp(JNIEnv* env, jobject,
                                                                                              jint context) {
    return TextGetter(env, "getTivraContextHelp", "",
                      [context](VorlanApi& api) { return api.GetTivraContextHelp(context); });
}

// Placeholders the Java class declares: nothing behind them yet.
JNIEXPORT void JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_setUserLibrary(JNIEnv*, jobject, jstring) {}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getUserLibrary(JNIEnv* env, jobject,
                                                                                         jboolean) {
    return Bridge::GuardString(env, "getUserLibrary", "getUserLibrary: Not implemented yet.",
                               [&] { return Bridge::NewJavaString(env, "getUserLibrary: Not implemented yet."); });
}
