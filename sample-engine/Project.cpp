#include "sample-engine/Project.h"

#include <fstream>
#include <sstream>

#include "sample-engine/Files.h"

namespace Sample {

namespace {

const char kProjectHeader[] = "# Vorlan sample project";
const char kResultsHeader[] = "# Vorlan sample results";

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t begin = 0;
    for (;;) {
        size_t tab = line.find('\t', begin);
        fields.push_back(UnescapeField(line.substr(begin, tab == std::string::npos ? std::string::npos : tab - begin)));
        if (tab == std::string::npos) return fields;
        begin = tab + 1;
    }
}

std::string joinFields(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += '\t';
        line += EscapeField(fields[i]);
    }
    return line + '\n';
}

bool toInt(const std::string& text, long long& value) {
    if (text.empty()) return false;
    try {
        size_t used = 0;
        value = std::stoll(text, &used);
        return used == text.size();
    } catch (...) {
        return false;
    }
}

// Reads a file of records; false when it is missing or does not start with
// the expected header line.
bool readRecords(const std::string& path, const char* header, std::vector<std::vector<std::string>>& records) {
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line != header) return false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) records.push_back(splitFields(line));
    }
    return true;
}

// Writes beside the target and renames over it, so that a reader never sees
// half a file.
bool writeReplacing(const std::string& path, const std::string& text) {
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(NativePath(temporary), std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << text;
        out.flush();
        if (!out) return false;
    }
    if (RenameFile(temporary, path)) return true;
    // Some file systems refuse to rename over an existing file.
    RemoveFile(path);
    if (RenameFile(temporary, path)) return true;
    RemoveFile(temporary);
    return false;
}

void appendFinding(const char* kind, const Finding& f, std::string& text) {
    std::vector<std::string> fields = {kind, std::to_string(f.message), std::to_string(f.line),
                                       std::to_string(f.column)};
    fields.insert(fields.end(), f.parameters.begin(), f.parameters.end());
    text += joinFields(fields);
}

bool parseFinding(const std::vector<std::string>& record, Finding& f) {
    long long message, line, column;
    if (record.size() < 4 || !toInt(record[1], message) || !toInt(record[2], line) || !toInt(record[3], column))
        return false;
    if (message < 0 || message >= kMessageCount) return false;
    f.message = static_cast<int>(message);
    f.line = static_cast<int>(line);
    f.column = static_cast<int>(column);
    f.parameters.assign(record.begin() + 4, record.end());
    return true;
}

}  // namespace

std::string Project::projectFile() const { return ProjectFilePath(location, name); }
std::string Project::resultsFile() const { return JoinPath(location, name + ".vres"); }

std::string NormalisePath(const std::string& path) {
    if (path.empty()) return path;
    std::string text = AbsoluteNormalPath(path);
    // "dir/" and "dir" name the same directory.
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\') && text[text.size() - 2] != ':')
        text.pop_back();
    return text;
}

bool IsValidProjectName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (c == '/' || c == '\\' || c == ':' || c == '\n' || c == '\r' || c == '\t') return false;
    return true;
}

std::string ProjectFilePath(const std::string& location, const std::string& name) {
    return JoinPath(NormalisePath(location), name + ".vprj");
}

bool IsProjectFile(const std::string& path) {
    std::vector<std::vector<std::string>> records;
    return readRecords(path, kProjectHeader, records);
}

bool LoadProject(const std::string& location, const std::string& name, Project& project) {
    if (!IsValidProjectName(name)) return false;
    std::vector<std::vector<std::string>> records;
    if (!readRecords(ProjectFilePath(location, name), kProjectHeader, records)) return false;

    project = Project();
    project.location = NormalisePath(location);
    project.name = name;
    FileSettings* current = nullptr;
    for (const auto& record : records) {
        const std::string& kind = record[0];
        long long language = 0;
        if (kind == "acf" && record.size() == 2) {
            project.acfFile = record[1];
        } else if (kind == "rcf" && record.size() == 2) {
            project.rcfFile = record[1];
        } else if (kind == "cct" && record.size() == 2) {
            project.cctFiles.push_back(record[1]);
        } else if (kind == "active-cct" && record.size() == 3 && toInt(record[1], language)) {
            project.activeCct[static_cast<int32_t>(language)] = record[2];
        } else if (kind == "file" && record.size() == 3 && toInt(record[1], language)) {
            current = &project.files[record[2]];
            *current = FileSettings();
            current->language = static_cast<int32_t>(language);
        } else if (kind == "define" && record.size() == 2 && current != nullptr) {
            current->defines.push_back(record[1]);
        } else if (kind == "include" && record.size() == 2 && current != nullptr) {
            current->includes.push_back(record[1]);
        }
        // Anything else is from a newer format and is skipped.
    }
    return true;
}

bool SaveProject(const Project& project) {
    std::string text = std::string(kProjectHeader) + "\n";
    text += joinFields({"name", project.name});
    text += joinFields({"acf", project.acfFile});
    text += joinFields({"rcf", project.rcfFile});
    for (const std::string& cct : project.cctFiles) text += joinFields({"cct", cct});
    for (const auto& active : project.activeCct)
        text += joinFields({"active-cct", std::to_string(active.first), active.second});
    for (const auto& file : project.files) {
        text += joinFields({"file", std::to_string(file.second.language), file.first});
        for (const std::string& define : file.second.defines) text += joinFields({"define", define});
        for (const std::string& include : file.second.includes) text += joinFields({"include", include});
    }
    return writeReplacing(project.projectFile(), text);
}

bool LoadResults(Project& project) {
    project.results.clear();
    std::vector<std::vector<std::string>> records;
    if (!readRecords(project.resultsFile(), kResultsHeader, records)) return true;
    FileResult* current = nullptr;
    for (const auto& record : records) {
        const std::string& kind = record[0];
        long long modified = 0, size = 0;
        Finding finding;
        if (kind == "file" && record.size() == 4 && toInt(record[1], modified) && toInt(record[2], size)) {
            // Results of files that left the project are dropped.
            current = project.files.count(record[3]) != 0 ? &project.results[record[3]] : nullptr;
            if (current != nullptr) {
                *current = FileResult();
                current->modified = modified;
                current->size = static_cast<uint64_t>(size);
            }
        } else if (kind == "finding" && current != nullptr && parseFinding(record, finding)) {
            current->findings.push_back(finding);
        } else if (kind == "related" && current != nullptr && !current->findings.empty() &&
                   parseFinding(record, finding)) {
            current->findings.back().related.push_back(finding);
        }
    }
    return true;
}

bool SaveResults(const Project& project) {
    std::string text = std::string(kResultsHeader) + "\n";
    for (const auto& result : project.results) {
        text += joinFields({"file", std::to_string(result.second.modified), std::to_string(result.second.size),
                            result.first});
        for (const Finding& finding : result.second.findings) {
            appendFinding("finding", finding, text);
            for (const Finding& related : finding.related) appendFinding("related", related, text);
        }
    }
    return writeReplacing(project.resultsFile(), text);
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return false;
    text = content.str();
    return true;
}

std::string EscapeField(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::string UnescapeField(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

}  // namespace Sample
