#pragma once

#include "engine/Platform.h"

// Traces whether a file (isDirectory 0) or a directory (non-zero) exists.
// `path` is the text the trace lines show, `file` the path that is checked. It
// only logs; callers go on with their engine call whatever it found.
void fileExists(const char* path, const Platform::NativePath& file, int isDirectory);
