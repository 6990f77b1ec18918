#include "xml/extras/MessageFree.h"

#include <cstdlib>

namespace Utils {

void freeMessageReferenceArray(KoReferenceArray_C* references) {
    if (references == nullptr) return;
    for (uint32_t i = 0; i < references->count; ++i) std::free(references->items()[i]);
}

void freeMessage(KoMessage_C* message) {
    if (message == nullptr) return;
    std::free(message->helpFileLocation);
    std::free(message->messageNumber);
    std::free(message->messageText);
    std::free(message->producer);
    freeMessageReferenceArray(message->references);
    std::free(message->uniqueMessageId);
}

void FreeMessageArray(KoMessageArray_C* messages) {
    if (messages == nullptr) return;
    for (uint32_t i = 0; i < messages->count; ++i) freeMessage(messages->items()[i]);
}

void DeleteMessageArray(KoMessageArray_C* messages) {
    if (messages == nullptr) return;
    FreeMessageArray(messages);
    // What FreeMessageArray leaves: the reference array blocks, the records and
    // the array itself.
    for (uint32_t i = 0; i < messages->count; ++i) {
        KoMessage_C* message = messages->items()[i];
        if (message == nullptr) continue;
        std::free(message->references);
        std::free(message);
    }
    std::free(messages);
}

}  // namespace Utils
