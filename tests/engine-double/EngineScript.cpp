// Native half of the JUnit class EngineScript: lets tests in a real JVM script
// the engine double that the bridge has loaded, and read back what it saw.
// The double is found by its path; dlopen hands back the very library the
// bridge loaded, so both see one control.

#include <dlfcn.h>
#include <jni.h>

#include <memory>
#include <string>
#include <vector>

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

// Records for the schema test: every family broken in the ways an engine may
// break it (null texts, lists and elements, unknown codes), or nested deeply.
struct SchemaRecords {
    DiagnosticRecords diagnostics;
    RuleRecords rules;
    ProjectRecords project;

    void InstallBroken(EngineDoubleControl& c) {
        const char* markup = "<&>'\"";
        KoMessage_C* hollow = diagnostics.Message(nullptr, nullptr, -2, nullptr, markup, nullptr, {nullptr, "r"});
        DiagnosticStruct* leaf = diagnostics.Diagnostic(hollow, {nullptr, markup});
        DiagnosticStruct* noMessage = diagnostics.Diagnostic(
            nullptr, {"a"}, {nullptr, diagnostics.Location(nullptr, -1, 0)}, {nullptr, leaf, nullptr});
        DiagnosticStruct* noLists = diagnostics.Diagnostic(diagnostics.Message("M", "", 0, "", "", ""));
        noLists->subDiagnostics = nullptr;
        noLists->parameters = nullptr;
        noLists->locations = nullptr;
        hollow->references = nullptr;
        c.diagnostics = diagnostics.List({nullptr, noMessage, noLists});

        RuleStruct* bare = rules.rule({nullptr, nullptr, nullptr, markup, nullptr}, 2, {nullptr, "c"}, {nullptr});
        RuleStruct* noChildren = rules.rule("R2");
        noChildren->childRules = nullptr;
        noChildren->categories = nullptr;
        RuleGroupStruct* noRules = rules.group(nullptr, {});
        noRules->rules = nullptr;
        c.ruleGroups = rules.groups({nullptr, rules.group("G", {nullptr, bare, noChildren}), noRules});
        c.messageRuleMap = rules.map({nullptr, rules.mapping(nullptr, {nullptr, "R"}), rules.mapping("M", {})});

        KoTreeStruct* odd = project.item(9, markup, markup, -1, -2, {nullptr});
        odd->name = nullptr;
        KoTreeStruct* noSubItems = project.item(8, "n", "d", 0, 0);
        noSubItems->subItems = nullptr;
        noSubItems->data = nullptr;
        c.trees = project.trees(nullptr, odd, project.item(0, "m", "", 1, 1, {noSubItems, nullptr}));
        c.koFile = project.file(7, nullptr, nullptr);
        c.languages = project.languages({5, 1, -1, 0});
    }

    void InstallDeep(EngineDoubleControl& c, int depth) {
        DiagnosticStruct* diagnostic = nullptr;
        RuleStruct* rule = nullptr;
        for (int i = depth; i-- > 0;) {
            const std::string id = "D" + std::to_string(i);
            KoMessage_C* message = diagnostics.Message(id.c_str(), "h", 1, "1", "a < b", "P", {"r"});
            std::vector<DiagnosticStruct*> below;
            if (diagnostic != nullptr) below.push_back(diagnostic);
            diagnostic = diagnostics.Diagnostic(message, {"p"}, {diagnostics.Location("f", i, 1)}, below);
            std::vector<RuleStruct*> children;
            if (rule != nullptr) children.push_back(rule);
            rule = rules.rule("R" + std::to_string(i), 1, {"c"}, children);
        }
        c.diagnostics = diagnostics.List({diagnostic});
        c.ruleGroups = rules.groups({rules.group("G", {rule})});
        c.trees = project.trees(project.chain(static_cast<size_t>(depth)), project.chain(1), project.chain(2));
    }
};

std::unique_ptr<SchemaRecords> g_schemaRecords;

// Records of every family with one text in every text field: each list of
// texts holds it twice, so that the ";"-joined fields join two of them.
struct HostileRecords {
    DiagnosticRecords diagnostics;
    RuleRecords rules;
    ProjectRecords project;

    void Install(EngineDoubleControl& c, const std::string& text) {
        const char* t = text.c_str();
        KoMessage_C* message = diagnostics.Message(t, t, 1, t, t, t, {t});
        c.diagnostics = diagnostics.List({diagnostics.Diagnostic(message, {t}, {diagnostics.Location(t, 1, 2)})});
        c.ruleGroups = rules.groups({rules.group(t, {rules.rule({t, t, t, t, t}, 1, {t})})});
        c.messageRuleMap = rules.map({rules.mapping(t, {t})});
        c.trees = project.trees(project.item(0, text, text, 1, 1), project.item(1, text, text, 1, 1),
                                project.item(2, text, text, 1, 1));
        c.koFile = project.file(0, project.defines({text, text}), project.includes({text, text}));
    }
};

std::unique_ptr<HostileRecords> g_hostileRecords;

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

// Broken records of every family, or deep ones (depth > 0): see SchemaRecords.
extern "C" JNIEXPORT jboolean JNICALL Java_EngineScript_useSchemaRecords(JNIEnv* env, jclass, jstring enginePath,
                                                                         jint depth) {
    EngineDoubleControl* c = control(env, enginePath);
    if (c == nullptr) return JNI_FALSE;
    SampleRecords::Remove(*c);
    g_schemaRecords.reset(new SchemaRecords());
    if (depth > 0)
        g_schemaRecords->InstallDeep(*c, depth);
    else
        g_schemaRecords->InstallBroken(*c);
    return JNI_TRUE;
}

// Records with the given bytes in every text field: see HostileRecords.
extern "C" JNIEXPORT jboolean JNICALL Java_EngineScript_useTextEverywhere(JNIEnv* env, jclass, jstring enginePath,
                                                                          jbyteArray text) {
    EngineDoubleControl* c = control(env, enginePath);
    if (c == nullptr) return JNI_FALSE;
    std::string bytes(static_cast<size_t>(env->GetArrayLength(text)), '\0');
    env->GetByteArrayRegion(text, 0, env->GetArrayLength(text), reinterpret_cast<jbyte*>(&bytes[0]));
    SampleRecords::Remove(*c);
    g_hostileRecords.reset(new HostileRecords());
    g_hostileRecords->Install(*c, bytes);
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
