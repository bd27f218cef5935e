// kotool: the library's conversions from the command line (see kotool.cpp).
#include "../common/host_main.h"
#include "kotool.h"

int main(int argc, char **argv) { return kotools::RunAsHost("kotool", RunKotool, argc, argv); }
