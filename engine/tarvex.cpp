#include "main.h"

int main(int argc, char* argv[]) { return tarvexMain(argc, argv); }
