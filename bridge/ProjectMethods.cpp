// Project entry points: the project manager, project creation, CCT files,
// source files with their defines and include paths, and the project's file
// list, file settings, file extensions and trees.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "bridge/FileExists.h"
#include "bridge/JavaLists.h"
#include "bridge/JniSupport.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/Platform.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"

using Bridge::JavaPath;
using Bridge::ScopedUtfChars;
using Bridge::SplitList;
using Utils::Logger;

namespace {

// The text fallback of a method that gives up early: none while a Java
// exception is pending (a failed conversion), else the empty string.
jstring EmptyString(JNIEnv* env) { return env->ExceptionCheck() ? nullptr : Bridge::NewJavaString(env, ""); }

}  // namespace

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_initProjectMngr(JNIEnv* env, jobject,
                                                                                        jstring bindKey,
                                                                                        jstring location,
                                                                                        jstring name) {
    return Bridge::Guard<jlong>("initProjectMngr", -1, [&]() -> jlong {
        int status;
        {
            // Released in reverse: bindKey, name, location.
            ScopedUtfChars loc(env, location);
            ScopedUtfChars nm(env, name);
            ScopedUtfChars key(env, bindKey);
            if (!Bridge::ArgumentsPresent("initProjectMngr", {{"bindKey", key}, {"location", loc}, {"name", nm}}))
                return -1;
            Logger::Log(
                2,
                "\nEnter call initProjectMngr() with parameters: \n\t bindKey = %s \n\t location = %s \n\t name = %s ",
                key.c_str(), loc.c_str(), nm.c_str());
            status = VorlanApi::GetInstance()->InitProjectMngr(key.c_str(), loc.c_str(), nm.c_str());
        }
        Logger::Log(2, "\n\tExit %s result = %d ", VORLAN_JNI_NAME("initProjectMngr"), Platform::LastErrorCode());
        return status;
    });
}

JNIEXPORT jboolean JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_isTivraProject(JNIEnv* env, jobject,
                                                                                          jstring location,
                                                                                          jstring name) {
    return Bridge::Guard<jboolean>("isTivraProject", JNI_FALSE, [&]() -> jboolean {
        bool answer;
        {
            // Released in reverse: name, location.
            ScopedUtfChars loc(env, location);
            ScopedUtfChars nm(env, name);
            if (!Bridge::ArgumentsPresent("isTivraProject", {{"location", loc}, {"name", nm}})) return JNI_FALSE;
            Logger::Log(2, "\nEnter call IsTivraProject() with parameters: \n\t location = %s \n\t name = %s ",
                        loc.c_str(), nm.c_str());
            answer = VorlanApi::GetInstance()->IsTivraProject(loc.c_str(), nm.c_str());
        }
        Logger::Log(2, "\n\tExist %s last error code = %d ", VORLAN_JNI_NAME("isTivraProject"), Platform::LastErrorCode());
        return answer ? JNI_TRUE : JNI_FALSE;
    });
}

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_createProject(JNIEnv* env, jobject,
                                                                                      jstring location, jstring name,
                                                                                      jstring acfFile, jstring rcfFile,
                                                                                      jstring cctFile) {
    return Bridge::Guard<jlong>("createProject", -1, [&]() -> jlong {
        int status;
        {
            // Released in reverse: cctFile, rcfFile, acfFile, name, location.
            ScopedUtfChars loc(env, location);
            ScopedUtfChars nm(env, name);
            ScopedUtfChars acf(env, acfFile);
            ScopedUtfChars rcf(env, rcfFile);
            ScopedUtfChars cct(env, cctFile);
            if (!Bridge::ArgumentsPresent(
                    "createProject",
                    {{"location", loc}, {"name", nm}, {"acfFile", acf}, {"rcfFile", rcf}, {"cctFile", cct}}))
                return -1;
            VorlanApi* api = VorlanApi::GetInstance();
            const char* configPath = api->GetUserConfigPath();
            Logger::Log(2, "\nUser config path = %s\n", configPath != nullptr ? configPath : "(null)");
            // Traces only: missing files still go to the engine.
            fileExists(acf.c_str(), JavaPath(env, acfFile).native(), 0);
            fileExists(rcf.c_str(), JavaPath(env, rcfFile).native(), 0);
            fileExists(cct.c_str(), JavaPath(env, cctFile).native(), 0);
            fileExists(loc.c_str(), JavaPath(env, location).native(), 1);
            Logger::Log(2,
                        "\nEnter call createProject() with parameters: \n\t location = %s \n\t name = %s \n\t "
                        "acfFile = %s \n\t rcfFile = %s \n\t cctFile = %s ",
                        loc.c_str(), nm.c_str(), acf.c_str(), rcf.c_str(), cct.c_str());
            status = api->CreateProject(loc.c_str(), nm.c_str(), acf.c_str(), rcf.c_str(), cct.c_str());
        }
        Logger::Log(2, "\n\tExist %s result = %d ", VORLAN_JNI_NAME("createProject"), Platform::LastErrorCode());
        return status;
    });
}

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_addCCT(JNIEnv* env, jobject,
                                                                               jstring cctFilePath) {
    return Bridge::Guard<jlong>("addCCT", -1, [&]() -> jlong {
        ScopedUtfChars path(env, cctFilePath);
        if (!Bridge::ArgumentsPresent("addCCT", {{"cctFilePath", path}})) return -1;
        fileExists(path.c_str(), JavaPath(env, cctFilePath).native(), 0);
        Logger::Log(2, "\nEnter call addCCT() with parameter %s\n", path.c_str());
        return VorlanApi::GetInstance()->AddCCT(path.c_str());
    });
}

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_setActiveCCT(JNIEnv* env, jobject, jint lang,
                                                                                     jstring cctFileName) {
    return Bridge::Guard<jlong>("setActiveCCT", -1, [&]() -> jlong {
        ScopedUtfChars path(env, cctFileName);
        if (!Bridge::ArgumentsPresent("setActiveCCT", {{"cctFileName", path}})) return -1;
        fileExists(path.c_str(), JavaPath(env, cctFileName).native(), 0);
        Logger::Log(2, "\nEnter call setActiveCT() with parameter %d, %s\n", static_cast<int>(lang), path.c_str());
        return VorlanApi::GetInstance()->SetActiveCCT(lang, path.c_str());
    });
}

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_addFile(JNIEnv* env, jobject,
                                                                                jlong targetLanguage, jstring file,
                                                                                jstring defines, jint definesSize,
                                                                                jstring includes, jint includesSize) {
    return Bridge::Guard<jlong>("addFile", -1, [&]() -> jlong {
        // Released in the order they were converted (file, defines, includes),
        // after the split arrays are freed. Locals are destroyed in reverse
        // order of declaration, so the holders are declared the other way
        // round; std::optional lets them be converted in call order all the same.
        std::optional<ScopedUtfChars> includeList, defineList, path;
        path.emplace(env, file);
        defineList.emplace(env, defines);
        includeList.emplace(env, includes);
        if (!Bridge::ArgumentsPresent("addFile",
                                      {{"file", *path}, {"defines", *defineList}, {"includes", *includeList}}))
            return -1;
        // A size of 0 hands the engine a null array.
        SplitList defineItems(defineList->c_str(), definesSize, "addFile", "defines", "definesSize");
        SplitList includeItems(includeList->c_str(), includesSize, "addFile", "includes", "includesSize");
        // Only the low 32 bits carry the language.
        const KoSourceLanguage_C language = static_cast<KoSourceLanguage_C>(static_cast<uint32_t>(targetLanguage));
        return VorlanApi::GetInstance()->AddFile(language, path->c_str(), static_cast<unsigned int>(definesSize),
                                                 defineItems.items(), static_cast<unsigned int>(includesSize),
                                                 includeItems.items());
    });
}

JNIEXPORT jlong JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_removeFile(JNIEnv* env, jobject,
                                                                                   jstring filePath) {
    return Bridge::Guard<jlong>("removeFile", -1, [&]() -> jlong {
        ScopedUtfChars path(env, filePath);
        if (!Bridge::ArgumentsPresent("removeFile", {{"filePath", path}})) return -1;
        return VorlanApi::GetInstance()->RemoveFile(path.c_str());
    });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getFiles(JNIEnv* env, jobject) {
    return Bridge::GuardString(env, "getFiles", "",
                               [&] { return Bridge::NewJavaString(env, VorlanApi::GetInstance()->GetFiles()); });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getKoFile(JNIEnv* env, jobject,
                                                                                    jstring filePath) {
    return Bridge::GuardString(env, "getKoFile", "", [&]() -> jstring {
        Logger::Log(2, "\n getting ko file \n");
        std::string text;
        {
            ScopedUtfChars path(env, filePath);
            if (!Bridge::ArgumentsPresent("getKoFile", {{"filePath", path}})) return EmptyString(env);
            Logger::Log(2, "\n file path: %s\n", path.c_str());
            text = VorlanApi::GetInstance()->GetKoFile(path.c_str());
            Logger::Log(2, "\n got it \n");
        }
        return Bridge::NewJavaString(env, text);
    });
}

JNIEXPORT jstring JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getFileExtensions(JNIEnv* env, jobject) {
    return Bridge::GuardString(env, "getFileExtensions", "", [&] {
        Logger::Log(2, "\n getting mapped file extensions \n");
        const std::string text = VorlanApi::GetInstance()->GetMappedFileExtensions();
        Logger::Log(2, "\n got it \n");
        return Bridge::NewJavaString(env, text);
    });
}

JNIEXPORT jbyteArray JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getTrees(JNIEnv* env, jobject,
                                                                                      jboolean flag, jint count,
                                                                                      jstring list) {
    return Bridge::GuardBytes(env, "getTrees", [&]() -> jbyteArray {
        // Declared before the list string, so the list is released first and
        // the split array freed after it.
        SplitList split;
        // With no items the list is not read at all, and may be null.
        ScopedUtfChars items(env, count > 0 ? list : nullptr);
        if (count > 0 && !Bridge::ArgumentsPresent("getTrees", {{"list", items}})) return Bridge::EmptyJavaBytes(env);
        split = SplitList(items.c_str(), count, "getTrees", "list", "count");
        Bridge::JavaArrayDestination xml(env);
        VorlanApi::GetInstance()->GetTrees(flag != JNI_FALSE, static_cast<unsigned int>(count), split.items(), xml);
        return xml.Result();
    });
}
