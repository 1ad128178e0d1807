// The engine's version, as `tarvex --version` and the JSON results give it.
#pragma once

// The version text, e.g. "1.0".
const char* tarvexVersion();
