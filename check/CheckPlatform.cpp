#include "check/CheckPlatform.h"

#include <cstdio>
#include <memory>

#include "engine/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <elf.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#endif

namespace Check {

#ifdef _WIN32

std::string SystemErrorText(unsigned long code, const std::string& path) {
    char buffer[1024];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                                  sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    const size_t insert = text.find("%1");
    if (insert != std::string::npos) text.replace(insert, 2, path);
    return text;
}

std::vector<std::string> UnresolvedNames(const std::string&, void*) { return {}; }

std::string AbsolutePath(const std::string& path) {
    char buffer[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

#else

std::string SystemErrorText(unsigned long, const std::string&) { return std::string(); }

std::string AbsolutePath(const std::string& path) {
    if (path[0] == '/') return path;
    std::vector<char> folder(4096);
    while (getcwd(folder.data(), folder.size()) == nullptr) {
        if (folder.size() >= (1u << 20)) return path;
        folder.resize(folder.size() * 2);
    }
    return std::string(folder.data()) + "/" + path;
}

namespace {

// Sections larger than this are not read: no engine's symbol table comes near.
constexpr uint64_t kLargestSection = uint64_t(1) << 28;

bool ReadAt(std::FILE* in, uint64_t offset, void* into, uint64_t size) {
    return offset <= uint64_t(INT64_MAX) && fseeko(in, static_cast<off_t>(offset), SEEK_SET) == 0 &&
           std::fread(into, 1, size, in) == size;
}

bool ReadSection(std::FILE* in, const Elf64_Shdr& section, std::vector<char>& into) {
    if (section.sh_type == SHT_NOBITS || section.sh_size > kLargestSection) return false;
    into.resize(section.sh_size);
    return section.sh_size == 0 || ReadAt(in, section.sh_offset, into.data(), section.sh_size);
}

// The names of the symbols a 64-bit ELF file refers to without defining them,
// weak ones aside (they may stay undefined). Empty for any other file.
std::vector<std::string> UndefinedNames(const std::string& path) {
    std::vector<std::string> names;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) return names;
    std::FILE* in = file.get();
    Elf64_Ehdr header;
    if (!ReadAt(in, 0, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_ident[EI_DATA] != ELFDATA2LSB ||
        header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shnum == 0)
        return names;
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    if (!ReadAt(in, header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr))) return names;
    for (const Elf64_Shdr& symbols : sections) {
        if (symbols.sh_type != SHT_DYNSYM || symbols.sh_link >= sections.size()) continue;
        std::vector<char> table, strings;
        if (!ReadSection(in, symbols, table) || !ReadSection(in, sections[symbols.sh_link], strings)) return names;
        for (size_t at = 0; at + sizeof(Elf64_Sym) <= table.size(); at += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            std::memcpy(&symbol, table.data() + at, sizeof symbol);
            if (symbol.st_shndx != SHN_UNDEF || ELF64_ST_BIND(symbol.st_info) != STB_GLOBAL || symbol.st_name == 0 ||
                symbol.st_name >= strings.size())
                continue;
            const char* name = strings.data() + symbol.st_name;
            names.emplace_back(name, strnlen(name, strings.size() - symbol.st_name));
        }
    }
    return names;
}

}  // namespace

std::vector<std::string> UnresolvedNames(const std::string& path, void* library) {
    std::vector<std::string> unresolved;
    for (const std::string& name : UndefinedNames(path)) {
        // The engine's own dependencies, then what the program has loaded for all
        // (a null handle is the default search).
        if (Platform::FindSymbol(library, name.c_str()) == nullptr &&
            Platform::FindSymbol(nullptr, name.c_str()) == nullptr)
            unresolved.push_back(name);
    }
    std::sort(unresolved.begin(), unresolved.end());
    return unresolved;
}

#endif

}  // namespace Check
