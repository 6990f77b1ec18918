// The message reader on arbitrary text: no crash, no read past the input, no
// leak, and every record it hands back is complete.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "xml/extras/MessageFree.h"
#include "xml/extras/MessageReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // NUL-terminated copy
    KoMessageArray_C* messages = Utils::DeserializeMessageArray(text.c_str());
    for (uint32_t i = 0; i < CountOf(messages); ++i) {
        const KoMessage_C* m = messages->at(i);
        if (m == nullptr || m->references != nullptr) std::abort();
        if (m->level < 0 || m->level > 3) std::abort();
    }
    Utils::DeleteMessageArray(messages);
    return 0;
}
