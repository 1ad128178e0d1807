// Where lumeno finds the engine and the folder it works in.
#pragma once

#include <QString>

// Name of the engine executable.
inline constexpr const char* kEngineName = "tarvex";
// Name of the benchmark description the front end works on.
inline constexpr const char* kBenchmarkName = "diffeq";
// Resource path of the bundled benchmark description.
inline constexpr const char* kBundledBenchmark = ":/lumeno/bench/diffeq";

// Full path of the engine: next to the program in `programDir`, in the build
// tree's engine folder beside it, else on PATH; empty when none is found.
QString FindEngine(const QString& programDir);

// The folder to work in: `currentDir` when it holds a "diffeq" description,
// otherwise `userDir`, created when missing, into which the bundled benchmark
// is copied unless it already holds one. Empty, with `error` set, on failure.
QString ChooseWorkingFolder(const QString& currentDir, const QString& userDir, QString* error);
