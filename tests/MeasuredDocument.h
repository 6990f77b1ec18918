#pragma once

// A destination that keeps the size it was begun at beside what it was
// given: the two must agree for every document, on either of its roads.

#include <cstddef>
#include <string>

#include "xml/Destination.h"

struct MeasuredDocument final : Utils::Xml::Destination {
    size_t measured = 0;
    std::string written;

    bool Begin(size_t bytes) override {
        measured = bytes;
        return true;
    }
    void Write(const char* bytes, size_t length) override { written.append(bytes, length); }
};

// `record` written the way a document too large for memory is: measured,
// then written (a memory bound of 0).
template <typename Record, typename Given>
MeasuredDocument MeasuredFirst(bool (*write)(Utils::Xml::Destination&, Record, size_t), Given record) {
    MeasuredDocument document;
    write(document, record, 0);
    return document;
}
