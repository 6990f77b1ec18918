#pragma once

// Where a document goes: a destination learns the exact size of the document
// first, then takes its bytes a few kilobytes at a time from the Output. The
// bridge has two: a string (StringDestination, below) and a Java byte array
// (Bridge::JavaArrayDestination).

#include <cstddef>
#include <stdexcept>
#include <string>

namespace Utils {
namespace Xml {

// The largest document the bridge hands out: the largest Java array.
constexpr size_t kLargestDocument = 0x7FFFFFFF;

// A document that is not written: it passes kLargestDocument, or its records
// loop so that it would never end. what() says which.
class DocumentNotWritten : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void ThrowTooLarge();
[[noreturn]] void ThrowLoop();

class Destination {
public:
    // Bytes the destination held before this document; they count towards
    // kLargestDocument.
    virtual size_t HeldBefore() const { return 0; }
    // Called once with the document's exact size, before the first Write.
    // False when the destination cannot take it (its owner knows why);
    // nothing is written then.
    virtual bool Begin(size_t bytes) = 0;
    virtual void Write(const char* bytes, size_t length) = 0;

protected:
    ~Destination() = default;
};

// Appends to a string.
class StringDestination final : public Destination {
public:
    explicit StringDestination(std::string& out) : m_out(out) {}
    size_t HeldBefore() const override { return m_out.size(); }
    bool Begin(size_t bytes) override;
    void Write(const char* bytes, size_t length) override { m_out.append(bytes, length); }

private:
    std::string& m_out;
};

}  // namespace Xml
}  // namespace Utils
