#pragma once

// Diagnostic and message records, in the engine's layouts (64-bit, both builds).

#include <cstddef>

#include "engine/KoCountedArray.h"
#include "engine/KoTypes.h"

struct DiagnosticStruct;
struct LocationStruct;

struct KoDiagnosticArray_C : KoCountedArray<DiagnosticStruct*> {};
struct KoMessageArray_C : KoCountedArray<KoMessage_C*> {};
struct KoReferenceArray_C : KoCountedArray<char*> {};
struct KoParameterArray_C : KoCountedArray<char*> {};
struct KoLocationArray_C : KoCountedArray<LocationStruct*> {};

// Rule filter of getDiagnostics: never built or read by the bridge.
struct KoRuleArray_C : KoCountedArray<void*> {};

struct KoMessage_C {
    char* uniqueMessageId;
    char* helpFileLocation;
    int32_t level;  // a KoMessageLevel_C value
    char* messageNumber;
    char* messageText;
    char* producer;
    KoReferenceArray_C* references;
};

struct DiagnosticStruct {
    KoMessage_C* message;
    uint8_t hasSubDiagnostics;  // boolean byte: any non-zero value is true
    uint8_t multiHomed;
    int32_t suppressionState;
    KoDiagnosticArray_C* subDiagnostics;
    KoParameterArray_C* parameters;
    KoLocationArray_C* locations;
};

struct LocationStruct {
    char* file;
    int32_t line;
    int32_t column;
};

static_assert(sizeof(KoMessage_C) == 56, "KoMessage_C is seven 8-byte slots");
static_assert(offsetof(KoMessage_C, uniqueMessageId) == 0, "KoMessage_C layout");
static_assert(offsetof(KoMessage_C, helpFileLocation) == 8, "KoMessage_C layout");
static_assert(offsetof(KoMessage_C, level) == 16, "KoMessage_C layout");
static_assert(offsetof(KoMessage_C, messageNumber) == 24, "KoMessage_C layout");
static_assert(offsetof(KoMessage_C, messageText) == 32, "KoMessage_C layout");
static_assert(offsetof(KoMessage_C, producer) == 40, "KoMessage_C layout");
static_assert(offsetof(KoMessage_C, references) == 48, "KoMessage_C layout");

static_assert(offsetof(DiagnosticStruct, message) == 0, "DiagnosticStruct layout");
static_assert(offsetof(DiagnosticStruct, hasSubDiagnostics) == 8, "DiagnosticStruct layout");
static_assert(offsetof(DiagnosticStruct, multiHomed) == 9, "DiagnosticStruct layout");
static_assert(offsetof(DiagnosticStruct, suppressionState) == 12, "DiagnosticStruct layout");
static_assert(offsetof(DiagnosticStruct, subDiagnostics) == 16, "DiagnosticStruct layout");
static_assert(offsetof(DiagnosticStruct, parameters) == 24, "DiagnosticStruct layout");
static_assert(offsetof(DiagnosticStruct, locations) == 32, "DiagnosticStruct layout");

static_assert(offsetof(LocationStruct, file) == 0, "LocationStruct layout");
static_assert(offsetof(LocationStruct, line) == 8, "LocationStruct layout");
static_assert(offsetof(LocationStruct, column) == 12, "LocationStruct layout");
