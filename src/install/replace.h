// A group's files installed whole or not at all, and what the user is told of each file that
// could not be installed (see replace.cpp).
#ifndef REPLACE_H
#define REPLACE_H

#include <windows.h>
#include <stddef.h>

// Installs the `count` product files `names` from gPath2 into destDir, all of them or none:
// each is copied beside its destination under a new temporary name, read back and, with sd,
// protected; only when every copy is right do they replace the older files, which are kept
// aside meanwhile and put back if a replacement fails. True when every file is in place. A
// file that fails raises InstallErrCount by one and is kept for FailureLines; the folder then
// holds what it held before.
bool InstallFiles(const char *destDir, const char *const *names, size_t count, PSECURITY_DESCRIPTOR sd);

// Appends to text (size bytes) a line for each file that failed in the current OK: where it
// is, the system's words for the error and, where the user can do something, what.
void FailureLines(char *text, size_t size);

#endif
