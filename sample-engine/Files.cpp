#include "sample-engine/Files.h"

#ifdef _WIN32
#include <system_error>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#endif

namespace Sample {

#ifdef _WIN32

namespace fs = std::filesystem;

std::string JoinPath(const std::string& directory, const std::string& name) {
    return (fs::path(directory) / name).string();
}
std::string ParentPath(const std::string& path) { return fs::path(path).parent_path().string(); }
std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }
std::string PreferredPath(const std::string& path) { return fs::path(path).make_preferred().string(); }

std::vector<std::string> PathParts(const std::string& path) {
    std::vector<std::string> parts;
    for (const fs::path& part : fs::path(path)) parts.push_back(part.string());
    return parts;
}

std::vector<std::string> RelativeParts(const std::string& path, const std::string& base) {
    std::vector<std::string> parts;
    for (const fs::path& part : fs::path(path).lexically_relative(base)) parts.push_back(part.string());
    return parts;
}

std::string AbsoluteNormalPath(const std::string& path) {
    std::error_code error;
    fs::path full = fs::absolute(fs::path(path), error);
    if (error) full = fs::path(path);
    return full.lexically_normal().string();
}

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}
bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}
bool IsDirectory(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}
bool CreateDirectories(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    return !error;
}
bool RenameFile(const std::string& from, const std::string& to) {
    std::error_code error;
    fs::rename(from, to, error);
    return !error;
}
void RemoveFile(const std::string& path) {
    std::error_code error;
    fs::remove(path, error);
}

bool FileStamp(const std::string& path, int64_t& modified, uint64_t& size) {
    std::error_code error;
    fs::path file(path);
    if (!fs::is_regular_file(file, error)) return false;
    auto time = fs::last_write_time(file, error);
    if (error) return false;
    uintmax_t bytes = fs::file_size(file, error);
    if (error) return false;
    modified = static_cast<int64_t>(time.time_since_epoch().count());
    size = static_cast<uint64_t>(bytes);
    return true;
}

std::vector<std::string> DirectoryEntries(const std::string& directory) {
    std::vector<std::string> entries;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path().string());
    return entries;
}

#else

namespace {

bool isSeparator(char c) { return c == '/'; }

// The elements of a path: the root ("/", or the whole path when it has only
// separators), the names, and an empty name after a trailing separator.
std::vector<std::string> elements(const std::string& path) {
    std::vector<std::string> parts;
    size_t at = 0;
    if (!path.empty() && isSeparator(path[0])) {
        while (at < path.size() && isSeparator(path[at])) ++at;
        parts.push_back(at == path.size() ? path : "/");
    }
    while (at < path.size()) {
        size_t end = at;
        while (end < path.size() && !isSeparator(path[end])) ++end;
        parts.push_back(path.substr(at, end - at));
        if (end == path.size()) break;
        while (end < path.size() && isSeparator(path[end])) ++end;
        if (end == path.size()) parts.push_back("");
        at = end;
    }
    return parts;
}

bool isAbsolute(const std::string& path) { return !path.empty() && isSeparator(path[0]); }

bool statusOf(const std::string& path, struct stat& status) { return ::stat(path.c_str(), &status) == 0; }

}  // namespace

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (isAbsolute(name)) return name;
    if (!directory.empty() && !isSeparator(directory.back())) return directory + "/" + name;
    return directory + name;
}

std::string ParentPath(const std::string& path) {
    size_t root = 0;
    while (root < path.size() && isSeparator(path[root])) ++root;
    if (root == path.size()) return path;  // no names: "" or the root
    size_t end = path.size();
    // Without its trailing separators when they end it, else without its last name.
    if (!isSeparator(path.back())) {
        while (end > 0 && !isSeparator(path[end - 1])) --end;
        if (end == 0) return "";
    }
    while (end > 0 && isSeparator(path[end - 1])) --end;
    return end == 0 ? "/" : path.substr(0, end);
}

std::string FileName(const std::string& path) {
    std::vector<std::string> parts = elements(path);
    return parts.empty() || (parts.size() == 1 && isAbsolute(path)) ? "" : parts.back();
}

std::string PreferredPath(const std::string& path) { return path; }

std::vector<std::string> PathParts(const std::string& path) { return elements(path); }

std::vector<std::string> RelativeParts(const std::string& path, const std::string& base) {
    if (isAbsolute(path) != isAbsolute(base)) return {};
    std::vector<std::string> a = elements(path), b = elements(base);
    size_t same = isAbsolute(path) ? 1 : 0;  // roots are alike however they are written
    while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
    if (same == a.size() && same == b.size()) return {"."};
    // Names of the base left over, less its ".." elements.
    int up = 0;
    for (size_t i = same; i < b.size(); ++i) {
        if (b[i] == "..")
            --up;
        else if (!b[i].empty() && b[i] != ".")
            ++up;
    }
    if (up == 0 && (same == a.size() || a[same].empty())) return {"."};
    if (up < 0) return {};
    std::vector<std::string> parts(static_cast<size_t>(up), "..");
    parts.insert(parts.end(), a.begin() + static_cast<std::ptrdiff_t>(same), a.end());
    return parts;
}

std::string AbsoluteNormalPath(const std::string& path) {
    std::string full = path;
    if (!isAbsolute(path)) {
        std::unique_ptr<char, void (*)(void*)> directory(getcwd(nullptr, 0), std::free);
        if (directory) full = JoinPath(directory.get(), path);
    }
    // Without "." names, each "name/.." pair, and ".." right below the root;
    // with a trailing separator where the path ended in one, or in a name
    // that was dropped, unless it now ends in "..".
    if (full.find_first_not_of('/') == std::string::npos) return full;  // the root alone
    std::vector<std::string> parts = elements(full), names;
    bool rooted = isAbsolute(full), trailing = false;
    for (size_t i = rooted ? 1 : 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        trailing = part.empty() || part == "." || part == "..";
        if (part.empty() || part == ".") continue;
        if (part == ".." && !names.empty() && names.back() != "..") {
            names.pop_back();
        } else if (part == ".." && rooted) {
            trailing = false;  // nothing above the root
        } else {
            names.push_back(part);
        }
    }
    std::string normal = rooted ? "/" : "";
    for (size_t i = 0; i < names.size(); ++i) normal += (i > 0 ? "/" : "") + names[i];
    if (trailing && !names.empty() && names.back() != "..") normal += '/';
    return normal.empty() ? "." : normal;
}

bool Exists(const std::string& path) {
    struct stat status;
    return statusOf(path, status);
}

bool IsRegularFile(const std::string& path) {
    struct stat status;
    return statusOf(path, status) && S_ISREG(status.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat status;
    return statusOf(path, status) && S_ISDIR(status.st_mode);
}

bool CreateDirectories(const std::string& path) {
    // Every directory from the top down; those there already are fine.
    for (size_t end = path.find_first_not_of('/');; end = path.find_first_not_of('/', end)) {
        if (end == std::string::npos) return IsDirectory(path);
        end = path.find('/', end);
        std::string directory = path.substr(0, end);
        if (::mkdir(directory.c_str(), 0777) != 0 && (errno != EEXIST || !IsDirectory(directory))) return false;
        if (end == std::string::npos) return true;
    }
}

bool RenameFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

bool FileStamp(const std::string& path, int64_t& modified, uint64_t& size) {
    struct stat status;
    if (!statusOf(path, status) || !S_ISREG(status.st_mode)) return false;
    // std::filesystem's file clock counts nanoseconds from 2174-01-01, so
    // results files written before keep matching.
    const int64_t kFileClockEpoch = 6437664000;
    modified = (static_cast<int64_t>(status.st_mtim.tv_sec) - kFileClockEpoch) * 1000000000 + status.st_mtim.tv_nsec;
    size = static_cast<uint64_t>(status.st_size);
    return true;
}

std::vector<std::string> DirectoryEntries(const std::string& directory) {
    std::vector<std::string> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(directory.c_str()), closedir);
    if (!listing) return entries;
    while (dirent* entry = readdir(listing.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") entries.push_back(JoinPath(directory, name));
    }
    return entries;
}

#endif

}  // namespace Sample
