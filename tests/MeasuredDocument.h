#pragma once

// A destination that keeps what the Meter counted beside what the Output
// wrote: the two must agree for every document.

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
