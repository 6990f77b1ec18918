#include "xml/Tags.h"

#include <cstring>
#include <stdexcept>

namespace Utils {

#define VORLAN_DEFINE_TAG(global, member, text) const std::string global = text;
VORLAN_TAGS(VORLAN_DEFINE_TAG)
#undef VORLAN_DEFINE_TAG

namespace Xml {

ElementTags::ElementTags(const std::string& name) : open{}, close{} {
    if (name.size() + 3 > kSlot) throw std::length_error("tag name too long: " + name);
    open[0] = '<';
    std::memcpy(open + 1, name.data(), name.size());
    open[name.size() + 1] = '>';
    openLength = static_cast<uint32_t>(name.size() + 2);
    close[0] = '<';
    close[1] = '/';
    std::memcpy(close + 2, name.data(), name.size());
    close[name.size() + 2] = '>';
    closeLength = static_cast<uint32_t>(name.size() + 3);
}

const ElementTable& Elements() {
    static const ElementTable table;
    return table;
}

}  // namespace Xml
}  // namespace Utils
