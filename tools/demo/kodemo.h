// The demo host's run, apart from its start-up, so that the tests can drive
// it in their own process. The library must be started before.
#ifndef KOKERNEL_TOOLS_KODEMO_H
#define KOKERNEL_TOOLS_KODEMO_H

#include <cstdio>

// Returns the exit status: 0 done, 1 a file or an operation failed, 2 bad
// arguments.
int RunKodemo(int argc, char **argv, std::FILE *out, std::FILE *err);

#endif  // KOKERNEL_TOOLS_KODEMO_H
