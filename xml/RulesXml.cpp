#include "xml/RulesXml.h"

namespace Utils {
namespace Xml {

bool WriteRuleGroups(Destination& destination, const KoRuleGroupArray_C* groups, size_t memoryBound) {
    auto walk = [&](auto& sink) { RulesWalk(sink).Groups(groups); };
    return WriteDocument(destination, walk, memoryBound);
}

bool WriteMessageRuleMap(Destination& destination, const KoMessageRuleMap_C* map, size_t memoryBound) {
    if (map == nullptr) return true;
    auto walk = [&](auto& sink) { RulesWalk(sink).Map(map); };
    return WriteDocument(destination, walk, memoryBound);
}

}  // namespace Xml
}  // namespace Utils
