// The engine's only failure channel: counted error messages.
#pragma once
#include <cstdio>

// Number of errors reported so far in this run.
extern long nerrors;

// Counts one error and writes "ERROR(n): " and the formatted message to the
// error stream (standard error unless redirected). Adds no newline.
void error(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Redirects error messages (null restores standard error); returns the previous stream.
FILE* setErrorStream(FILE* stream);
