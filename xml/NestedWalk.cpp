#include "xml/NestedWalk.h"

#include <algorithm>

namespace Utils {
namespace Xml {

bool HasRepeat(std::vector<const void*>& pointers) {
    std::sort(pointers.begin(), pointers.end());
    return std::adjacent_find(pointers.begin(), pointers.end()) != pointers.end();
}

}  // namespace Xml
}  // namespace Utils
