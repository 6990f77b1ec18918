// Rule configuration: the rule groups and the message-rule map, as the bytes of
// their XML documents.

#include "bridge/JniSupport.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/VorlanApi.h"

JNIEXPORT jbyteArray JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getRuleGroups(JNIEnv* env, jobject) {
    return Bridge::GuardBytes(env, "getRuleGroups", [&] {
        Bridge::JavaArrayDestination xml(env);
        VorlanApi::GetInstance()->GetRuleGroups(xml);
        return xml.Result();
    });
}

JNIEXPORT jbyteArray JNICALL Java_com_vorlanworks_bridge_caller_VorlanBridge_getMessageRuleMap(JNIEnv* env, jobject) {
    return Bridge::GuardBytes(env, "getMessageRuleMap", [&] {
        Bridge::JavaArrayDestination xml(env);
        VorlanApi::GetInstance()->GetMessageRuleMap(xml);
        return xml.Result();
    });
}
