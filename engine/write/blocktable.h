// The console tables of testability by block (`analyse` of a design with hierarchy).
#pragma once

#include <cstdio>

#include "analysis/blockfigures.h"

// Prints the table by instance and the table by module type.
void printBlockTables(const BlockTables& tables, FILE* out);
