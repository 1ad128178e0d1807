// The console line of a whole analysis: what the user sees while both
// directions of the testability analysis run.
#pragma once

class Analyser;
class Circuit;

// Runs both directions of `analyser` on `c` (Analyser::bothDirections) between
// the console lines "Running testability analysis ..." and "... done.".
void analyseWithConsoleLine(Analyser& analyser, Circuit& c);
