#pragma once

// Traces whether a file (isDirectory 0) or a directory (non-zero) exists. It
// only logs; callers go on with their engine call whatever it found.
void fileExists(const char* path, int isDirectory);
