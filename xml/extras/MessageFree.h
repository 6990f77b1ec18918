#pragma once

// Release of message records that the bridge built itself (the message reader's
// output), through the run-time heap's free. Never used on engine records: those
// go back to the engine's own release entries. Like the reader, named by the
// system's design and called by no native method.

#include "engine/KoDiagnostics.h"

namespace Utils {

// Frees each of the `count` strings; the array block stays. Null does nothing.
void freeMessageReferenceArray(KoReferenceArray_C* references);

// Frees the five strings and the reference strings of one message; the record
// block and its reference array block stay. Null does nothing.
void freeMessage(KoMessage_C* message);

// freeMessage on every element in index order; the element blocks and the
// array block stay. Null does nothing, and so does a null element.
void FreeMessageArray(KoMessageArray_C* messages);

// Frees everything DeserializeMessageArray built: the strings, the reference
// array blocks, the records and the array block. Null does nothing.
void DeleteMessageArray(KoMessageArray_C* messages);

}  // namespace Utils
