#pragma once

// The paths and files of the sample engine. On Windows they are
// std::filesystem's; on Linux the same operations are written on the C
// library, with the results std::filesystem gives there, because libstdc++
// has std::filesystem only from GCC 9 (GLIBCXX_3.4.26) and the shipped engine
// loads with GCC 5's.

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <filesystem>
#endif

namespace Sample {

// What file streams open a path with.
#ifdef _WIN32
using NativePath = std::filesystem::path;
#else
using NativePath = std::string;
#endif

// Path text, as std::filesystem::path treats it: `directory / name`,
// parent_path(), filename(), make_preferred(), the elements a path iterates
// over, and the elements of path.lexically_relative(base).
std::string JoinPath(const std::string& directory, const std::string& name);
std::string ParentPath(const std::string& path);
std::string FileName(const std::string& path);
std::string PreferredPath(const std::string& path);
std::vector<std::string> PathParts(const std::string& path);
std::vector<std::string> RelativeParts(const std::string& path, const std::string& base);

// absolute(path).lexically_normal(); the path as it is, lexically normal, when
// the current directory cannot be read. path is not empty.
std::string AbsoluteNormalPath(const std::string& path);

// The file system; symbolic links are followed. A failure is false (nothing
// for the listing) and leaves nothing behind.
bool Exists(const std::string& path);
bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);
bool CreateDirectories(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);
// The state of a file on disk that results are compared with: a regular
// file's last write time, as std::filesystem counts it, and its size.
bool FileStamp(const std::string& path, int64_t& modified, uint64_t& size);
// The paths of a directory's entries, in no particular order.
std::vector<std::string> DirectoryEntries(const std::string& directory);

}  // namespace Sample
