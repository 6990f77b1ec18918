#include "xml/RulesXml.h"

namespace Utils {
namespace Xml {

bool WriteRuleGroups(Destination& destination, const KoRuleGroupArray_C* groups) {
    return WriteDocument(destination, [&](auto& sink) { RulesWalk(sink).Groups(groups); });
}

bool WriteMessageRuleMap(Destination& destination, const KoMessageRuleMap_C* map) {
    if (map == nullptr) return true;
    return WriteDocument(destination, [&](auto& sink) { RulesWalk(sink).Map(map); });
}

}  // namespace Xml
}  // namespace Utils
