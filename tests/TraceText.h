#pragma once

// Helpers for comparing trace text whose numbers vary from run to run.

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/Platform.h"

// "\nCall <name> \n" as the build writes it for a VorlanApi method.
#define CALL_LINE(name) "\nCall " VORLAN_METHOD(name) " \n"
// The exported name of a native method, as the exit lines write it.
#define JNI_NAME(method) "Java_com_vorlanworks_bridge_caller_VorlanBridge_" method

// Replaces the system error numbers of exit and file-check lines by '#':
// they are whatever errno or GetLastError() held at that moment.
inline std::string MaskErrorCodes(std::string text) {
    for (const char* marker : {"result = ", "last error code = ", "Returned error code "}) {
        const std::string m = marker;
        for (size_t at = text.find(m); at != std::string::npos; at = text.find(m, at + 1)) {
            size_t digits = at + m.size();
            size_t end = digits;
            if (end < text.size() && text[end] == '-') ++end;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
            if (end > digits) text.replace(digits, end - digits, "#");
        }
    }
    return text;
}

// A record address as the release traces write it.
inline std::string Address(const void* pointer) {
    if (pointer == nullptr) return "null";
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(pointer)));
    return buffer;
}
