#include "base/version.h"

#ifndef TARVEX_VERSION
#define TARVEX_VERSION "unknown"
#endif

const char* tarvexVersion() { return TARVEX_VERSION; }
