// kodemo: a host program that loads the library the way the editors do and
// takes one frame through the typical steps (see kodemo.cpp).
#include "../common/host_main.h"
#include "kodemo.h"

int main(int argc, char **argv) { return kotools::RunAsHost("kodemo", RunKodemo, argc, argv); }
