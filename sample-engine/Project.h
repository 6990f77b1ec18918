#pragma once

// A sample engine project: its settings and source files, kept in a small text
// file "<name>.vprj" in the project's location, and the results of its last
// analysis, kept beside it in "<name>.vres". Both are read whole and written
// whole, so a second process that opens the project sees what the first saved.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sample-engine/Checker.h"

namespace Sample {

struct FileSettings {
    int32_t language = 0;  // a KoSourceLanguage_C value
    std::vector<std::string> defines;
    std::vector<std::string> includes;
};

// What one analysis of a file found, and which version of the file it saw.
struct FileResult {
    int64_t modified = 0;
    uint64_t size = 0;
    std::vector<Finding> findings;
};

struct Project {
    std::string location;  // normalised directory
    std::string name;
    std::string acfFile, rcfFile;
    std::vector<std::string> cctFiles;
    std::map<int32_t, std::string> activeCct;  // per source language
    std::map<std::string, FileSettings> files;  // by normalised path
    std::map<std::string, FileResult> results;  // by normalised path

    std::string projectFile() const;
    std::string resultsFile() const;
};

// Complete, lexically normal form of a path; relative paths are taken from the
// current directory. Empty for an empty path.
std::string NormalisePath(const std::string& path);

// A project name becomes a file name: no separators, no "." or "..".
bool IsValidProjectName(const std::string& name);

std::string ProjectFilePath(const std::string& location, const std::string& name);
bool IsProjectFile(const std::string& path);

// Reading fails (false) for a missing or foreign file; writing fails when the
// file cannot be replaced.
bool LoadProject(const std::string& location, const std::string& name, Project& project);
bool SaveProject(const Project& project);
// A missing results file is no error: the project simply has no results yet.
bool LoadResults(Project& project);
bool SaveResults(const Project& project);

bool ReadWholeFile(const std::string& path, std::string& text);

// The record-field escaping of both files: backslash, tab, CR and LF.
std::string EscapeField(const std::string& text);
std::string UnescapeField(const std::string& text);

}  // namespace Sample
