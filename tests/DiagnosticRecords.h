#pragma once

// Builds diagnostic trees in the engine's layouts for tests and benchmarks.
// Everything lives in one arena owned by the builder and is freed with it in
// one go (so trees of any depth are torn down without recursion). Texts are
// copied in; a null text stays null, so tests can build broken records.

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/KoDiagnostics.h"

class DiagnosticRecords {
public:
    DiagnosticRecords() = default;
    DiagnosticRecords(const DiagnosticRecords&) = delete;
    DiagnosticRecords& operator=(const DiagnosticRecords&) = delete;

    // Zeroed, 8-byte aligned bytes that live as long as the builder.
    void* Allocate(size_t bytes) {
        bytes = (bytes + 7) & ~size_t{7};
        if (bytes > kChunk) {
            m_chunks.emplace_back(new uint64_t[bytes / 8]());
            return m_chunks.back().get();
        }
        if (m_current == nullptr || m_used + bytes > kChunk) {
            m_current = new uint64_t[kChunk / 8]();
            m_chunks.emplace_back(m_current);
            m_used = 0;
        }
        void* block = reinterpret_cast<char*>(m_current) + m_used;
        m_used += bytes;
        return block;
    }

    char* Text(const char* text) {
        if (text == nullptr) return nullptr;
        const size_t length = std::strlen(text);
        char* copy = static_cast<char*>(Allocate(length + 1));
        std::memcpy(copy, text, length + 1);
        return copy;
    }
    char* Text(const std::string& text) { return Text(text.c_str()); }

    // A counted array block holding `elements`, stored inline after the header.
    template <typename A, typename E>
    A* Array(const std::vector<E>& elements) {
        using Element = std::remove_pointer_t<decltype(std::declval<A&>().items())>;
        A* array = new (Allocate(A::BlockSize(elements.size()))) A();
        array->count = static_cast<uint32_t>(elements.size());
        for (size_t i = 0; i < elements.size(); ++i) array->items()[i] = Element(elements[i]);
        return array;
    }

    // A counted array of texts (references, parameters); each is copied.
    template <typename A>
    A* Texts(const std::vector<const char*>& texts) {
        std::vector<char*> copies;
        copies.reserve(texts.size());
        for (const char* text : texts) copies.push_back(Text(text));
        return Array<A>(copies);
    }

    KoMessage_C* Message(const char* id, const char* helpFile, int32_t level, const char* number, const char* text,
                         const char* producer, const std::vector<const char*>& references = {}) {
        KoMessage_C* message = New<KoMessage_C>();
        message->uniqueMessageId = Text(id);
        message->helpFileLocation = Text(helpFile);
        message->level = level;
        message->messageNumber = Text(number);
        message->messageText = Text(text);
        message->producer = Text(producer);
        message->references = Texts<KoReferenceArray_C>(references);
        return message;
    }

    LocationStruct* Location(const char* file, int32_t line, int32_t column) {
        LocationStruct* location = New<LocationStruct>();
        location->file = Text(file);
        location->line = line;
        location->column = column;
        return location;
    }

    // A diagnostic as the engine hands it out: every array present (possibly
    // empty), the sub-diagnostics flag set when there are sub-diagnostics.
    DiagnosticStruct* Diagnostic(KoMessage_C* message, const std::vector<const char*>& parameters = {},
                                 const std::vector<LocationStruct*>& locations = {},
                                 const std::vector<DiagnosticStruct*>& subDiagnostics = {}, uint8_t multiHomed = 0,
                                 int32_t suppressionState = 0) {
        DiagnosticStruct* diagnostic = New<DiagnosticStruct>();
        diagnostic->message = message;
        diagnostic->hasSubDiagnostics = subDiagnostics.empty() ? 0 : 1;
        diagnostic->multiHomed = multiHomed;
        diagnostic->suppressionState = suppressionState;
        diagnostic->subDiagnostics = Array<KoDiagnosticArray_C>(subDiagnostics);
        diagnostic->parameters = Texts<KoParameterArray_C>(parameters);
        diagnostic->locations = Array<KoLocationArray_C>(locations);
        return diagnostic;
    }

    KoDiagnosticArray_C* List(const std::vector<DiagnosticStruct*>& diagnostics) {
        return Array<KoDiagnosticArray_C>(diagnostics);
    }

    // A zeroed record, for shapes the helpers above do not make.
    template <typename T>
    T* New() {
        return new (Allocate(sizeof(T))) T();
    }

private:
    static constexpr size_t kChunk = 1 << 20;

    std::vector<std::unique_ptr<uint64_t[]>> m_chunks;
    uint64_t* m_current = nullptr;
    size_t m_used = 0;
};
