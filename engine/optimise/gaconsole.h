// The console lines of a genetic algorithm run: its parameters, the classic
// spinner with the generations left, the best chromosome and solution at each
// improvement, and the end.
#pragma once

#include <string>

class Population;

class GaConsole {
 public:
  // `shown`: the run writes console lines at all; `classicForm`: the classic
  // command line's spinner and population dumps.
  GaConsole(bool writesLines, bool classicForm) : shown(writesLines), classic(classicForm) {}

  // The run's parameters.
  void header(const std::string& text) const;
  // A generation starts with `remaining` of `maxRuns` generations left.
  void generationStarted(unsigned long remaining, unsigned long maxRuns);
  // A better layout was found: `best` holds it, shown as `notation`.
  void improved(const Population& best, const std::string& notation, long iteration) const;
  // The search ended after `iterations` generations.
  void finished(long iterations) const;

 private:
  bool shown;
  bool classic;
  char spinner = '/';
};
