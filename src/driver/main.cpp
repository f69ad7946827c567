// The ratiohunt command: runs the program once on its command line and the console.
#include <cstdio>

#include "driver/run.h"

int main(int argc, char **argv) { return run_ratiohunt(argc, argv, stdout, stdin); }
