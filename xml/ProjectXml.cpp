#include "xml/ProjectXml.h"

namespace Utils {
namespace Xml {

bool WriteKoFile(Destination& destination, const KoFile_C* file) {
    if (file == nullptr) return true;
    return WriteDocument(destination, [&](auto& sink) { ProjectWalk(sink).KoFile(*file); });
}

bool WriteLanguages(Destination& destination, const KoLanguages_C* languages) {
    if (languages == nullptr) return true;
    return WriteDocument(destination, [&](auto& sink) { ProjectWalk(sink).Languages(*languages); });
}

bool WriteTrees(Destination& destination, const KoTrees_C* trees) {
    return WriteDocument(destination, [&](auto& sink) { ProjectWalk(sink).Trees(trees); });
}

bool WriteJoined(Destination& destination, const KoCountedArray<char*>* list) {
    return WriteDocument(destination, [&](auto& sink) {
        ProjectWalk(sink).Joined(CountOf(list), [list](uint32_t i) { return list->at(i); }, false);
    });
}

}  // namespace Xml
}  // namespace Utils
