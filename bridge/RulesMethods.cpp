// Rule configuration: the rule groups and the message-rule map, as the bytes of
// their XML documents.

#include "bridge/JniSupport.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/VorlanApi.h"

namespace {

// The document's bytes, unconverted. Null only when the JVM could not make the
// array; its exception is then pending. Should the fetch itself fail, Java gets
// an empty array, as for a missing record.
jbyteArray FetchBytes(JNIEnv* env, const char* method, std::string (VorlanApi::*fetch)()) noexcept {
    jbyteArray bytes = Bridge::Guard<jbyteArray>(
        method, nullptr, [&] { return Bridge::NewJavaBytes(env, (VorlanApi::GetInstance()->*fetch)()); });
    if (bytes == nullptr && !env->ExceptionCheck()) return env->NewByteArray(0);
    return bytes;
}

}  // namespace

JNIEXPORT jbyteArray JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getRuleGroups(JNIEnv* env, jobject) {
    return FetchBytes(env, "getRuleGroups", &VorlanApi::GetRuleGroups);
}

JNIEXPORT jbyteArray JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getMessageRuleMap(JNIEnv* env, jobject) {
    return FetchBytes(env, "getMessageRuleMap", &VorlanApi::GetMessageRuleMap);
}
