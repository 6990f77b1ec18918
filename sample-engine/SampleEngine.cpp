// The sample engine's 53 entry points: a small project store and a plain text
// checker behind the engine's C interface.
//
// Status codes: 0 success; the others are listed below. Every entry takes the
// one mutex around the engine's state, accepts null for every pointer it is
// given, and lets no C++ exception out. Records handed out are remembered until
// their release entry gets them back, so a release entry refuses a pointer it
// did not hand out (or one already released) instead of freeing it. Strings
// returned directly stay the engine's until the process ends.

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/EntryPoints.h"
#include "sample-engine/Checker.h"
#include "sample-engine/Files.h"
#include "sample-engine/Project.h"
#include "sample-engine/Records.h"

#ifdef _WIN32
#include <windows.h>
#define SAMPLE_EXPORT __declspec(dllexport)
#else
#include <dlfcn.h>
#define SAMPLE_EXPORT __attribute__((visibility("default")))
#endif

// Declared from the entry table, so every definition below has exactly the
// shape the bridge calls.
#define SAMPLE_DECLARE_ENTRY(name, result, params) extern "C" SAMPLE_EXPORT result name params;
VORLAN_ENTRY_POINTS(SAMPLE_DECLARE_ENTRY)
#undef SAMPLE_DECLARE_ENTRY

using namespace Sample;

namespace {

enum Status : int {
    kOk = 0,
    kNoProject = 1,    // no project is open
    kBadArgument = 2,  // a null or malformed argument
    kIoError = 3,      // a file could not be written
    kNotFound = 4,     // no such project, file or result
    kExists = 5,       // the project exists already
    kNotOurs = 6,      // a release entry got a record the engine did not hand out
    kFailed = 7,       // out of memory or another internal failure
};

enum class Kind { Diagnostics, RuleGroups, MessageRuleMap, KoFile, Strings, Languages, Trees, FileList };

// getFiles lists are not released by every caller, so the engine keeps the
// latest ones and frees older ones itself.
constexpr size_t kFileListsKept = 32;

const char kVersion[] = "1.0.0";
const char kCheckerComponent[] = "text-checker";
const char kStoreComponent[] = "project-store";

struct State {
    std::mutex mutex;
    std::string bindKey;
    bool apiStarted = false;
    std::string workspace;
    KoLanguage_C language = 0;
    KoLogLevel_C logLevel = 0;
    std::unique_ptr<Project> project;
    bool resultsOpen = false;
    unsigned long generation = 0;  // counts the projects opened
    std::set<std::string> texts;   // every string returned directly
    std::map<const void*, Kind> handedOut;
    std::deque<KoFileList_C*> fileLists;
};

// Never destroyed: an engine call may still come in while the process exits.
State& state() {
    static State* s = new State;
    return *s;
}

// A string that outlives the call: equal texts share one copy.
const char* keep(State& s, const std::string& text) { return s.texts.insert(text).first->c_str(); }

std::string text(const char* argument) { return argument != nullptr ? argument : ""; }

template <typename R, typename Body>
R guarded(R fallback, Body body) {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <typename Body>
void guardedVoid(Body body) {
    try {
        body();
    } catch (...) {
    }
}

template <typename T>
void handOut(State& s, T** out, T* record, Kind kind) {
    s.handedOut[record] = kind;
    *out = record;
}

template <typename T, typename Free>
int release(T** address, Kind kind, Free freeRecord) {
    if (address == nullptr) return kBadArgument;
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (*address == nullptr) return kOk;
    auto found = s.handedOut.find(*address);
    if (found == s.handedOut.end() || found->second != kind) return kNotOurs;
    s.handedOut.erase(found);
    freeRecord(*address);
    *address = nullptr;
    return kOk;
}

void freeFileList(State& s, KoFileList_C* list) {
    s.handedOut.erase(list);
    s.fileLists.erase(std::remove(s.fileLists.begin(), s.fileLists.end(), list), s.fileLists.end());
    FreeStringList(list);
}

void freeKeptFileLists(State& s) {
    while (!s.fileLists.empty()) freeFileList(s, s.fileLists.front());
}

void* moduleAnchor() { return reinterpret_cast<void*>(&moduleAnchor); }

std::string installDirectory() {
#ifdef _WIN32
    HMODULE module = nullptr;
    char path[MAX_PATH];
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(moduleAnchor()), &module))
        return ".";
    DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return ".";
    return ParentPath(std::string(path, n));
#else
    Dl_info info;
    if (dladdr(moduleAnchor(), &info) == 0 || info.dli_fname == nullptr) return ".";
    return NormalisePath(ParentPath(info.dli_fname));
#endif
}

std::string installPath(const char* below = nullptr) {
    static const std::string directory = installDirectory();
    return below == nullptr ? directory : PreferredPath(JoinPath(directory, below));
}

std::string userPath(const char* below = nullptr) {
    const char* home = std::getenv("HOME");
#ifdef _WIN32
    if (const char* profile = std::getenv("USERPROFILE")) home = profile;
#endif
    std::string user = JoinPath(home != nullptr ? home : ".", ".vorlan-sample");
    return PreferredPath(below == nullptr ? user : JoinPath(user, below));
}

bool isSourceLanguage(KoSourceLanguage_C language) { return language >= 0 && language <= 2; }

// --- Analysis -------------------------------------------------------------

struct Analysed {
    std::string path;
    bool readable = false;
    FileResult result;
};

// Reads and checks one file. The stamp is taken before reading, so a file
// changed while it is read counts as changed since.
Analysed analyse(const std::string& path) {
    Analysed analysed;
    analysed.path = path;
    std::string content;
    if (!FileStamp(path, analysed.result.modified, analysed.result.size) || !ReadWholeFile(path, content))
        return analysed;
    analysed.readable = true;
    analysed.result.findings = CheckText(content);
    return analysed;
}

void store(Project& project, const Analysed& analysed) {
    if (project.files.count(analysed.path) == 0) return;  // removed meanwhile
    if (analysed.readable)
        project.results[analysed.path] = analysed.result;
    else
        project.results.erase(analysed.path);
}

bool sameProject(const Project* project, const std::string& location, const std::string& name) {
    return project != nullptr && project->name == name && project->location == NormalisePath(location);
}

// --- Trees ----------------------------------------------------------------

int32_t clampCount(size_t n) { return n > 0x7fffffff ? 0x7fffffff : static_cast<int32_t>(n); }

// Drops the sub-items whose total is 0, at every level.
void dropEmpty(TreeNode& node) {
    node.children.erase(std::remove_if(node.children.begin(), node.children.end(),
                                       [](const TreeNode& child) { return child.total == 0; }),
                        node.children.end());
    for (TreeNode& child : node.children) dropEmpty(child);
}

struct FolderBuild {
    std::map<std::string, FolderBuild> folders;
    std::vector<TreeNode> files;
};

TreeNode folderNode(const std::string& name, const std::string& path, const FolderBuild& build) {
    TreeNode node;
    node.type = kTreeFolder;
    node.name = name;
    node.data = path;
    for (const auto& folder : build.folders)
        node.children.push_back(folderNode(folder.first, JoinPath(path, folder.first), folder.second));
    node.children.insert(node.children.end(), build.files.begin(), build.files.end());
    for (const TreeNode& child : node.children) {
        node.total += child.total;
        node.active += child.active;
    }
    return node;
}

// The longest directory that holds every file.
std::string commonDirectory(const std::vector<std::string>& files) {
    std::string common;
    bool first = true;
    for (const std::string& file : files) {
        std::string parent = ParentPath(file);
        if (first) {
            common = parent;
            first = false;
            continue;
        }
        std::vector<std::string> a = PathParts(common), b = PathParts(parent);
        std::string shared;
        for (size_t i = 0; i < a.size() && i < b.size() && a[i] == b[i]; ++i) shared = JoinPath(shared, a[i]);
        common = shared;
    }
    return common;
}

TreeNode fileTree(const Project& project, const std::vector<std::string>& files,
                  const std::map<std::string, int32_t>& counts) {
    std::string common = commonDirectory(files);
    FolderBuild top;
    for (const std::string& file : files) {
        FolderBuild* folder = &top;
        std::vector<std::string> parts = RelativeParts(file, common);
        if (parts.empty()) parts.push_back(FileName(file));
        for (size_t i = 0; i + 1 < parts.size(); ++i) folder = &folder->folders[parts[i]];
        TreeNode leaf;
        leaf.type = kTreeFile;
        leaf.name = parts.back();
        leaf.data = file;
        leaf.total = leaf.active = counts.at(file);
        folder->files.push_back(leaf);
    }
    TreeNode root = folderNode(project.name, common, top);
    root.type = kTreeProject;
    root.data = project.location;
    return root;
}

TreeNode ruleNode(const RuleInfo& rule, const std::vector<int32_t>& perMessage) {
    TreeNode node;
    node.type = kTreeRule;
    node.name = rule.id;
    node.data = rule.text;
    for (int m = 0; m < kMessageCount; ++m)
        if (std::string(Messages()[m].rule) == rule.id) node.total += perMessage[m];
    for (size_t i = 0; i < RuleCount(); ++i) {
        const RuleInfo& child = Rules()[i];
        if (child.parent != nullptr && std::string(child.parent) == rule.id) {
            node.children.push_back(ruleNode(child, perMessage));
            node.total += node.children.back().total;
        }
    }
    node.active = node.total;  // every rule of the sample engine is active
    return node;
}

KoTrees_C* buildTrees(const Project& project, bool onlyWithDiagnostics, unsigned int count, char** list) {
    std::vector<std::string> filters;
    for (unsigned int i = 0; i < count; ++i)
        if (list[i] != nullptr && list[i][0] != '\0') filters.push_back(NormalisePath(list[i]));

    std::vector<std::string> files;
    std::map<std::string, int32_t> counts;
    std::vector<int32_t> topLevel(kMessageCount, 0), allLevels(kMessageCount, 0);
    for (const auto& file : project.files) {
        const std::string& path = file.first;
        bool selected = filters.empty();
        for (const std::string& filter : filters) {
            bool below = path.size() > filter.size() && path.compare(0, filter.size(), filter) == 0 &&
                         (path[filter.size()] == '/' || path[filter.size()] == '\\');
            if (path == filter || below) selected = true;
        }
        if (!selected) continue;
        auto result = project.results.find(path);
        size_t n = 0;
        if (result != project.results.end()) {
            n = result->second.findings.size();
            for (const Finding& finding : result->second.findings) {
                ++topLevel[finding.message];
                ++allLevels[finding.message];
                for (const Finding& related : finding.related) ++allLevels[related.message];
            }
        }
        if (onlyWithDiagnostics && n == 0) continue;
        files.push_back(path);
        counts[path] = clampCount(n);
    }

    TreeNode files_ = fileTree(project, files, counts);

    TreeNode rules;
    rules.type = kTreeRuleRoot;
    rules.name = "Rules";
    for (size_t g = 0; g < RuleGroupCount(); ++g) {
        TreeNode group;
        group.type = kTreeRuleGroup;
        group.name = RuleGroups()[g];
        for (size_t i = 0; i < RuleCount(); ++i)
            if (Rules()[i].parent == nullptr && group.name == Rules()[i].group)
                group.children.push_back(ruleNode(Rules()[i], topLevel));
        for (const TreeNode& rule : group.children) group.total += rule.total;
        group.active = group.total;
        rules.total += group.total;
        rules.children.push_back(group);
    }
    rules.active = rules.total;

    TreeNode messages;
    messages.type = kTreeMessageRoot;
    messages.name = "Messages";
    for (int m = 0; m < kMessageCount; ++m) {
        TreeNode message;
        message.type = kTreeMessage;
        message.name = Messages()[m].number;
        message.data = Messages()[m].title;
        message.total = message.active = allLevels[m];
        messages.total += message.total;
        messages.children.push_back(message);
    }
    messages.active = messages.total;

    if (onlyWithDiagnostics) {
        dropEmpty(files_);
        dropEmpty(rules);
        dropEmpty(messages);
    }
    return NewTrees(files_, rules, messages);
}

// Project names found in a directory and its direct subdirectories.
std::vector<std::string> projectsIn(const std::string& directory) {
    std::set<std::string> names;
    if (directory.empty()) return {};
    auto scan = [&names](const std::string& folder) {
        const std::string extension = ".vprj";
        for (const std::string& file : DirectoryEntries(folder)) {
            // "x.vprj" names x; ".vprj" alone is a hidden file without extension.
            std::string name = FileName(file);
            size_t stem = name.size() - std::min(name.size(), extension.size());
            if (stem > 0 && name.compare(stem, std::string::npos, extension) == 0 && IsProjectFile(file))
                names.insert(name.substr(0, stem));
        }
    };
    scan(directory);
    for (const std::string& entry : DirectoryEntries(directory))
        if (IsDirectory(entry)) scan(entry);
    return std::vector<std::string>(names.begin(), names.end());
}

}  // namespace

// --- Engine lifecycle -------------------------------------------------------

int initDeploymentInfo(void) { return kOk; }

void setBindKey(const char* bindKey) {
    guardedVoid([&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.bindKey = text(bindKey);
    });
}

int initApi(const char* bindKey) {
    if (bindKey == nullptr) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.bindKey = bindKey;
        s.apiStarted = true;
        return kOk;
    });
}

void shutdownApi(void) {
    guardedVoid([] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.project.reset();
        s.resultsOpen = false;
        s.apiStarted = false;
    });
}

void shutdownApp(void) {
    guardedVoid([] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.project.reset();
        s.resultsOpen = false;
        s.apiStarted = false;
        freeKeptFileLists(s);
    });
}

void clearCachedObjects(void) {
    guardedVoid([] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        freeKeptFileLists(s);
    });
}

// --- Environment ------------------------------------------------------------

#define SAMPLE_TEXT_ENTRY(name, expression)              \
    const char* name(void) {                             \
        return guarded<const char*>("", [] {             \
            State& s = state();                          \
            std::lock_guard<std::mutex> lock(s.mutex);   \
            return keep(s, expression);                  \
        });                                              \
    }

SAMPLE_TEXT_ENTRY(getInstallPath, installPath())
SAMPLE_TEXT_ENTRY(getInstallBinaryPath, installPath())
SAMPLE_TEXT_ENTRY(getInstallConfigPath, installPath("config"))
SAMPLE_TEXT_ENTRY(getUserPath, userPath())
SAMPLE_TEXT_ENTRY(getUserConfigPath, userPath("config"))
SAMPLE_TEXT_ENTRY(getUserAppConfigPath, userPath("app-config"))
SAMPLE_TEXT_ENTRY(getWorkspace, s.workspace)
SAMPLE_TEXT_ENTRY(getComponents, std::string(kCheckerComponent) + " " + kVersion + ";" + kStoreComponent + " " + kVersion)

#undef SAMPLE_TEXT_ENTRY

const char* getVersionNumber(void) { return kVersion; }

void setWorkspace(const char* path) {
    if (path == nullptr) return;
    guardedVoid([&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.workspace = NormalisePath(path);
    });
}

int getReportTools(KoStrings_C** list) {
    if (list == nullptr) return 0;
    return guarded<int>(0, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        handOut(s, list, NewStringList<KoStrings_C>({"Text summary", "CSV table", "HTML report"}), Kind::Strings);
        return 1;  // non-zero: the list is filled
    });
}

int getCMAProjectList(KoStrings_C** list) {
    if (list == nullptr) return 0;
    return guarded<int>(0, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        handOut(s, list, NewStringList<KoStrings_C>(projectsIn(s.workspace)), Kind::Strings);
        return 1;
    });
}

KoLanguage_C getCurrentLanguage(void) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.language;
}

void setCurrentLanguage(KoLanguage_C language) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.language = language;
}

void getAvailableLanguages(KoLanguages_C** languages) {
    if (languages == nullptr) return;
    guardedVoid([&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        handOut(s, languages, NewLanguages({0, 1, 2}), Kind::Languages);
    });
}

void freeLanguages(KoLanguages_C** languages) {
    guarded<int>(kFailed, [&] { return release(languages, Kind::Languages, [](KoLanguages_C* l) { std::free(l); }); });
}

KoLogLevel_C getLogLevel(void) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.logLevel;
}

void setLogLevel(KoLogLevel_C level) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.logLevel = level;
}

const char* getTivraHelp(bool html) {
    return guarded<const char*>("", [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        return keep(s, installPath(html ? "help/index.html" : "help/manual.pdf"));
    });
}

const char* getTivraContextHelp(KoHelpContext_C context) {
    return guarded<const char*>("", [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        return keep(s, installPath(("help/context/" + std::to_string(context) + ".html").c_str()));
    });
}

const char* getComponentMessages(const char* name, const char* version) {
    return guarded<const char*>("", [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        bool anyVersion = version == nullptr || version[0] == '\0' || text(version) == kVersion;
        if (!anyVersion || text(name) != kCheckerComponent) return keep(s, "");
        std::string numbers;
        for (int m = 0; m < kMessageCount; ++m) numbers += (m > 0 ? ";" : "") + std::string(Messages()[m].number);
        return keep(s, numbers);
    });
}

// --- Projects ---------------------------------------------------------------

int createProject(const char* location, const char* name, const char* acfFile, const char* rcfFile,
                  const char* cctFile) {
    if (location == nullptr || name == nullptr || location[0] == '\0' || !IsValidProjectName(name))
        return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!CreateDirectories(NormalisePath(location))) return kIoError;
        // An existing project is never overwritten.
        if (Exists(ProjectFilePath(location, name))) return kExists;

        auto project = std::make_unique<Project>();
        project->location = NormalisePath(location);
        project->name = name;
        project->acfFile = text(acfFile);
        project->rcfFile = text(rcfFile);
        if (cctFile != nullptr && cctFile[0] != '\0') project->cctFiles.push_back(cctFile);
        if (!SaveProject(*project)) return kIoError;
        s.project = std::move(project);
        s.resultsOpen = false;
        ++s.generation;
        return kOk;
    });
}

unsigned char isTivraProject(const char* location, const char* name) {
    if (location == nullptr || name == nullptr || !IsValidProjectName(name)) return 0;
    return guarded<unsigned char>(0, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        return static_cast<unsigned char>(IsProjectFile(ProjectFilePath(location, name)) ? 1 : 0);
    });
}

int initProjectMngr(const char* bindKey, const char* location, const char* name) {
    (void)bindKey;  // the sample engine has no licensing
    if (location == nullptr || name == nullptr) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        auto project = std::make_unique<Project>();
        if (!LoadProject(location, name, *project)) return kNotFound;
        s.project = std::move(project);
        s.resultsOpen = false;
        ++s.generation;
        return kOk;
    });
}

int addCCT(const char* cctFilePath) {
    if (cctFilePath == nullptr) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project) return kNoProject;
        std::string path = NormalisePath(cctFilePath);
        if (!IsRegularFile(path)) return kNotFound;
        Project changed = *s.project;
        if (std::find(changed.cctFiles.begin(), changed.cctFiles.end(), path) == changed.cctFiles.end())
            changed.cctFiles.push_back(path);
        if (!SaveProject(changed)) return kIoError;
        *s.project = std::move(changed);
        return kOk;
    });
}

int setActiveCCT(KoSourceLanguage_C lang, const char* cctFileName) {
    if (cctFileName == nullptr || !isSourceLanguage(lang)) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project) return kNoProject;
        // By complete path or by file name.
        std::string wanted = cctFileName;
        std::string full = NormalisePath(wanted);
        for (const std::string& cct : s.project->cctFiles) {
            if (cct != full && FileName(cct) != wanted) continue;
            Project changed = *s.project;
            changed.activeCct[lang] = cct;
            if (!SaveProject(changed)) return kIoError;
            *s.project = std::move(changed);
            return kOk;
        }
        return kNotFound;
    });
}

int addFile(KoSourceLanguage_C language, const char* file, unsigned int definesCount, char** defines,
            unsigned int includesCount, char** includes) {
    if (file == nullptr || file[0] == '\0' || !isSourceLanguage(language) ||
        (definesCount > 0 && defines == nullptr) || (includesCount > 0 && includes == nullptr))
        return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project) return kNoProject;
        std::string path = NormalisePath(file);
        if (!IsRegularFile(path)) return kNotFound;

        FileSettings settings;
        settings.language = language;
        for (unsigned int i = 0; i < definesCount; ++i)
            if (defines[i] != nullptr) settings.defines.push_back(defines[i]);
        for (unsigned int i = 0; i < includesCount; ++i)
            if (includes[i] != nullptr) settings.includes.push_back(includes[i]);

        Project changed = *s.project;
        changed.files[path] = settings;
        if (!SaveProject(changed)) return kIoError;
        *s.project = std::move(changed);
        return kOk;
    });
}

int removeFile(const char* filePath) {
    if (filePath == nullptr) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project) return kNoProject;
        std::string path = NormalisePath(filePath);
        if (s.project->files.count(path) == 0) return kNotFound;
        Project changed = *s.project;
        changed.files.erase(path);
        changed.results.erase(path);
        if (!SaveProject(changed)) return kIoError;
        *s.project = std::move(changed);
        if (s.resultsOpen && !SaveResults(*s.project)) return kIoError;
        return kOk;
    });
}

int getFiles(KoFileList_C** files) {
    if (files == nullptr) return kBadArgument;
    *files = nullptr;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project) return kNoProject;
        std::vector<std::string> paths;
        for (const auto& file : s.project->files) paths.push_back(file.first);
        KoFileList_C* list = NewStringList<KoFileList_C>(paths);
        s.fileLists.push_back(list);
        handOut(s, files, list, Kind::FileList);
        while (s.fileLists.size() > kFileListsKept) freeFileList(s, s.fileLists.front());
        return kOk;
    });
}

int freeFilePaths(KoFilePathArray_C** paths) {
    if (paths == nullptr) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (*paths == nullptr) return kOk;
        auto list = reinterpret_cast<KoFileList_C*>(*paths);
        auto found = s.handedOut.find(list);
        if (found == s.handedOut.end() || found->second != Kind::FileList) return kNotOurs;
        freeFileList(s, list);
        *paths = nullptr;
        return kOk;
    });
}

int getMappedFileExtensions(KoSourceLanguage_C language, KoStrings_C** extensions) {
    if (extensions == nullptr) return kBadArgument;
    *extensions = nullptr;
    static const std::vector<std::string> kMapped[] = {
        {"c", "h"}, {"cpp", "cc", "cxx", "hpp", "hh", "hxx"}, {"cs"}};
    if (!isSourceLanguage(language)) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        handOut(s, extensions, NewStringList<KoStrings_C>(kMapped[language]), Kind::Strings);
        return kOk;
    });
}

int getKoFile(const char* filePath, KoFile_C** file) {
    if (file == nullptr) return kBadArgument;
    *file = nullptr;
    if (filePath == nullptr) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project) return kNoProject;
        auto found = s.project->files.find(NormalisePath(filePath));
        if (found == s.project->files.end()) return kNotFound;
        handOut(s, file, NewKoFile(found->second), Kind::KoFile);
        return kOk;
    });
}

int freeKoFile(KoFile_C** file) {
    return guarded<int>(kFailed, [&] { return release(file, Kind::KoFile, FreeKoFile); });
}

int freeStrings(KoStrings_C** list) {
    return guarded<int>(kFailed, [&] { return release(list, Kind::Strings, FreeStringList<KoStrings_C>); });
}

int getIncludedFiles(void** record) {
    if (record == nullptr) return kBadArgument;
    *record = nullptr;  // the sample engine does not follow includes
    return kOk;
}

// --- Results ----------------------------------------------------------------

int initResults(const char* bindKey, const char* location, const char* name) {
    (void)bindKey;
    if (location == nullptr || name == nullptr) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!sameProject(s.project.get(), location, name)) {
            auto project = std::make_unique<Project>();
            if (!LoadProject(location, name, *project)) return kNotFound;
            s.project = std::move(project);
            ++s.generation;
        }
        LoadResults(*s.project);
        // Files never analysed are checked now; the others keep their
        // results until the next aggregation.
        for (const auto& file : s.project->files)
            if (s.project->results.count(file.first) == 0) store(*s.project, analyse(file.first));
        s.resultsOpen = true;
        return SaveResults(*s.project) ? kOk : kIoError;
    });
}

void aggregate(AggregateCallback_C progress) {
    guardedVoid([&] {
        State& s = state();
        std::vector<std::string> paths;
        unsigned long generation = 0;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (!s.project) return;
            for (const auto& file : s.project->files) paths.push_back(file.first);
            generation = s.generation;
        }
        // The files are read and checked, and progress reported, without the
        // lock: other calls go on meanwhile, and the callback may call in.
        if (progress != nullptr) progress(0);
        std::vector<Analysed> analysed;
        for (size_t i = 0; i < paths.size(); ++i) {
            analysed.push_back(analyse(paths[i]));
            if (progress != nullptr) progress(static_cast<unsigned int>((i + 1) * 100 / paths.size()));
        }
        if (paths.empty() && progress != nullptr) progress(100);

        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project || s.generation != generation) return;  // another project was opened
        for (const Analysed& a : analysed) store(*s.project, a);
        s.resultsOpen = true;
        SaveResults(*s.project);
    });
}

int getDiagnostics(const char* filePath, KoMessageArray_C* messages, KoRuleArray_C* rules, KoSuppressionState_C mask,
                   KoDiagnosticArray_C** diagnostics) {
    // No rule filter or suppression: every rule is active, nothing is suppressed.
    (void)rules;
    (void)mask;
    if (diagnostics == nullptr) return kBadArgument;
    *diagnostics = nullptr;
    if (filePath == nullptr) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project) return kNoProject;
        auto result = s.project->results.find(NormalisePath(filePath));
        if (result == s.project->results.end()) return kNotFound;

        std::vector<Finding> findings;
        std::set<int> wanted;
        for (uint32_t i = 0; i < CountOf(messages); ++i) {
            const KoMessage_C* message = messages->items()[i];
            if (message == nullptr) continue;
            if (message->messageNumber != nullptr) wanted.insert(FindMessage(message->messageNumber));
            if (message->uniqueMessageId != nullptr) wanted.insert(FindMessage(message->uniqueMessageId));
        }
        for (const Finding& finding : result->second.findings)
            if (CountOf(messages) == 0 || wanted.count(finding.message) != 0) findings.push_back(finding);
        handOut(s, diagnostics, NewDiagnostics(result->first, findings), Kind::Diagnostics);
        return kOk;
    });
}

int freeDiagnostics(KoDiagnosticArray_C** diagnostics) {
    return guarded<int>(kFailed, [&] { return release(diagnostics, Kind::Diagnostics, FreeDiagnostics); });
}

unsigned char hasResults(const char* sourceFile) {
    if (sourceFile == nullptr) return 0;
    return guarded<unsigned char>(0, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        return static_cast<unsigned char>(s.project && s.project->results.count(NormalisePath(sourceFile)) != 0);
    });
}

unsigned char hasUptoDateResults(const char* sourceFile) {
    if (sourceFile == nullptr) return 0;
    return guarded<unsigned char>(0, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project) return static_cast<unsigned char>(0);
        auto result = s.project->results.find(NormalisePath(sourceFile));
        int64_t modified = 0;
        uint64_t size = 0;
        bool current = result != s.project->results.end() && FileStamp(result->first, modified, size) &&
                       modified == result->second.modified && size == result->second.size;
        return static_cast<unsigned char>(current ? 1 : 0);
    });
}

// --- Rules and trees ----------------------------------------------------------

int getRuleGroups(KoRuleGroupArray_C** groups) {
    if (groups == nullptr) return kBadArgument;
    *groups = nullptr;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        handOut(s, groups, NewRuleGroups(), Kind::RuleGroups);
        return kOk;
    });
}

int getMessageRuleMap(KoMessageRuleMap_C** map) {
    if (map == nullptr) return kBadArgument;
    *map = nullptr;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        handOut(s, map, NewMessageRuleMap(), Kind::MessageRuleMap);
        return kOk;
    });
}

int freeRuleGroups(KoRuleGroupArray_C** groups) {
    return guarded<int>(kFailed, [&] { return release(groups, Kind::RuleGroups, FreeRuleGroups); });
}

int freeMessageRuleMap(KoMessageRuleMap_C** map) {
    return guarded<int>(kFailed, [&] { return release(map, Kind::MessageRuleMap, FreeMessageRuleMap); });
}

// flag: only the items that have diagnostics; list: the files or folders to
// show (all project files when count is 0).
int getTrees(KoTrees_C** trees, bool flag, unsigned int count, char** list) {
    if (trees == nullptr) return kBadArgument;
    *trees = nullptr;
    if (count > 0 && list == nullptr) return kBadArgument;
    return guarded<int>(kFailed, [&] {
        State& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.project) return kNoProject;
        handOut(s, trees, buildTrees(*s.project, flag, count, list), Kind::Trees);
        return kOk;
    });
}

int freeTrees(KoTrees_C** trees) {
    return guarded<int>(kFailed, [&] { return release(trees, Kind::Trees, FreeTrees); });
}

// Every entry has the shape of the table.
#define SAMPLE_CHECK_ENTRY(name, result, params) \
    static_assert(std::is_same<decltype(&::name), VorlanEntry::name>::value, #name " has the table's shape");
VORLAN_ENTRY_POINTS(SAMPLE_CHECK_ENTRY)
#undef SAMPLE_CHECK_ENTRY
