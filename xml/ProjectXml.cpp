#include "xml/ProjectXml.h"

namespace Utils {
namespace Xml {

bool WriteKoFile(Destination& destination, const KoFile_C* file, size_t memoryBound) {
    if (file == nullptr) return true;
    auto walk = [&](auto& sink) { ProjectWalk(sink).KoFile(*file); };
    return WriteDocument(destination, walk, memoryBound);
}

bool WriteLanguages(Destination& destination, const KoLanguages_C* languages, size_t memoryBound) {
    if (languages == nullptr) return true;
    auto walk = [&](auto& sink) { ProjectWalk(sink).Languages(*languages); };
    return WriteDocument(destination, walk, memoryBound);
}

bool WriteTrees(Destination& destination, const KoTrees_C* trees, size_t memoryBound) {
    auto walk = [&](auto& sink) { ProjectWalk(sink).Trees(trees); };
    return WriteDocument(destination, walk, memoryBound);
}

bool WriteJoined(Destination& destination, const KoCountedArray<char*>* list, size_t memoryBound) {
    auto item = [list](uint32_t i) { return list->at(i); };
    auto walk = [&](auto& sink) { ProjectWalk(sink).Joined(CountOf(list), item, false); };
    return WriteDocument(destination, walk, memoryBound);
}

}  // namespace Xml
}  // namespace Utils
