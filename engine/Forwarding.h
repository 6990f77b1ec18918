#pragma once

// The forwarding pattern shared by the proxy methods: call line, missing-entry
// message and fallback, API-call line, argument lines, engine call, result
// line. Each method is one row of data (see VorlanApiForward.cpp).

#include <cstdio>
#include <type_traits>

#include "engine/Platform.h"
#include "log/Logger.h"
#include "xml/Destination.h"

namespace Forwarding {

// "%s" lines get text(), "%d" lines get `number`. Text formatted here (an
// address) is held in the value itself and found on each access, so every
// copy of a value shows its own text.
struct LogValue {
    const char* external = nullptr;  // text that lives elsewhere
    char formatted[24] = {};
    bool isNumber = false;
    int number = 0;

    const char* text() const { return external != nullptr ? external : formatted; }
};

inline LogValue ToLogValue(const char* text) {
    LogValue value;
    value.external = text != nullptr ? text : "(null)";
    return value;
}

// Numbers, booleans and enumerations are logged as plain integers; a record
// pointer as its address in hexadecimal, or "null"; the address of a record
// pointer (what the release methods get) as the record it points to.
template <typename T>
LogValue ToLogValue(T argument) {
    LogValue value;
    if constexpr (std::is_pointer_v<T> && std::is_pointer_v<std::remove_pointer_t<T>> &&
                  std::is_class_v<std::remove_pointer_t<std::remove_pointer_t<T>>>) {
        return ToLogValue(argument != nullptr ? static_cast<const void*>(*argument) : nullptr);
    } else if constexpr (std::is_pointer_v<T>) {
        if (argument == nullptr) {
            value.external = "null";
        } else {
            std::snprintf(value.formatted, sizeof value.formatted, "0x%llx",
                          static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(argument)));
        }
    } else {
        value.isNumber = true;
        value.number = static_cast<int>(argument);
    }
    return value;
}

// One argument line: its format and the position of the argument it shows.
struct ArgLine {
    const char* format;
    int index;
};

constexpr int kMaxArgLines = 5;

// A forwarding method as data. R is what the engine entry returns.
template <typename R>
struct Row {
    const char* method;        // as "\nCall %s \n" writes it
    const char* apiTag;        // as "\t> API CALL - %s\n" writes it
    const char* missingEntry;  // level-1 message, given "" for its %s
    R fallback;
    ArgLine args[kMaxArgLines];
};

template <>
struct Row<void> {
    const char* method;
    const char* apiTag;
    const char* missingEntry;
    ArgLine args[kMaxArgLines];
};

template <typename R, typename... A>
void LogArguments(const Row<R>& row, const A&... arguments) {
    const LogValue values[] = {LogValue(), ToLogValue(arguments)...};
    for (const ArgLine& line : row.args) {
        if (line.format == nullptr) break;
        const LogValue& value = values[line.index + 1];
        if (value.isNumber)
            Utils::Logger::Log(2, line.format, value.number);
        else
            Utils::Logger::Log(2, line.format, value.text());
    }
}

inline void LogResult(const char* result) { Utils::Logger::Log(2, "\t< Result: %s\n", result != nullptr ? result : "(null)"); }
template <typename T>
void LogResult(T result) {
    Utils::Logger::Log(2, "\t< Result: %d\n", static_cast<int>(result));
}

// Steps 1 and 2 of every proxy method: the call line, then, when the entry is
// missing, the missing-entry message. True when the entry can be called.
template <typename Fn>
bool Enter(const char* method, const char* missingEntry, Fn entry) {
    Utils::Logger::Log(2, "\nCall %s \n", method);
    if (entry == nullptr) {
        Utils::Logger::Log(1, missingEntry, "");
        return false;
    }
    return true;
}

inline void LogApiCall(const char* apiTag) { Utils::Logger::Log(2, "\t> API CALL - %s\n", apiTag); }

// With tracing off, a forwarded call costs the threshold test and the entry
// test on top of the engine call: no formatting, no argument conversion.
template <typename R, typename Fn, typename... A>
R Forward(const Row<R>& row, Fn entry, A... arguments) {
    const bool trace = Utils::Logger::IsEnabled(2);
    if (trace) Utils::Logger::Log(2, "\nCall %s \n", row.method);
    if (entry == nullptr) {
        Utils::Logger::Log(1, row.missingEntry, "");
        return row.fallback;
    }
    if (trace) {
        LogApiCall(row.apiTag);
        LogArguments(row, arguments...);
    }
    R result = entry(arguments...);
    if (trace) LogResult(result);
    return result;
}

template <typename Fn, typename... A>
void Forward(const Row<void>& row, Fn entry, A... arguments) {
    const bool trace = Utils::Logger::IsEnabled(2);
    if (trace) Utils::Logger::Log(2, "\nCall %s \n", row.method);
    if (entry == nullptr) {
        Utils::Logger::Log(1, row.missingEntry, "");
        return;
    }
    if (trace) {
        LogApiCall(row.apiTag);
        LogArguments(row, arguments...);
    }
    entry(arguments...);
    if (trace) Utils::Logger::Log(2, "\t< Result: %s\n", "void");
}

// The write and release steps of every fetch method: `write(record)`, then
// `release(&record)` on every way out, so no engine record outlives the call.
// A document that is not written (it passes the largest Java array, or the
// records loop) is one level-1 line; false then, and the caller's result
// stays empty.
template <typename Record, typename Write, typename Release>
bool WriteThenRelease(const char* method, Record*& record, Write write, Release release) {
    bool written = true;
    try {
        write(static_cast<const Record*>(record));
    } catch (const Utils::Xml::DocumentNotWritten& e) {
        Utils::Logger::Log(1, "\n%s: document not written: %s\n", method, e.what());
        written = false;
    } catch (...) {
        release(&record);
        throw;
    }
    release(&record);
    return written;
}

}  // namespace Forwarding

// The common missing-entry message of a method.
#define VORLAN_MISSING_ENTRY(method) "\tAttempt to call VorlanApi::" method " failed because ptr2f is null %s\n"
