#include <gtest/gtest.h>

#include <cstring>

#include "kokernel/koperf.h"

namespace {

uint32_t Bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

float Third() {
  volatile float one = 1.0f, three = 3.0f;
  return one / three;
}

TEST(Fpu, RoundingControlActsOnThisThread) {
  const unsigned before = FPU_Control(0, 0);
  EXPECT_EQ(before & 0x300u, 0u) << std::hex << before;  // round to nearest
  EXPECT_EQ(Bits(Third()), 0x3EAAAAABu);
  const unsigned chop = FPU_Control(0x300, 0x300);
  EXPECT_EQ(chop & 0x300u, 0x300u) << std::hex << chop;
  EXPECT_EQ(Bits(Third()), 0x3EAAAAAAu);  // truncated
  const unsigned up = FPU_Control(0x200, 0x300);
  EXPECT_EQ(up & 0x300u, 0x200u);
  EXPECT_EQ(Bits(Third()), 0x3EAAAAABu);
  FPU_Control(before, 0x300);
  EXPECT_EQ(FPU_Control(0, 0), before);
  EXPECT_EQ(Bits(Third()), 0x3EAAAAABu);
}

TEST(Fpu, ExceptionsAreMaskedAndDenormalControlRoundTrips) {
  const unsigned cw = FPU_Control(0, 0);
  EXPECT_EQ(cw & 0x1Fu, 0x1Fu) << std::hex << cw;  // all exceptions masked by default
  const unsigned flushed = FPU_Control(0x01000000, 0x03000000);
  EXPECT_EQ(flushed & 0x03000000u, 0x01000000u) << std::hex << flushed;
  volatile float tiny = 1e-38f, scale = 1e-3f;
  EXPECT_EQ(tiny * scale, 0.0f);  // the denormal result is flushed
  FPU_Control(cw, 0x03000000);
  EXPECT_NE(tiny * scale, 0.0f);
}

TEST(Fpu, StatusReportsAndResetRestoresDefaults) {
  const unsigned before = FPU_Control(0, 0);
  volatile double zero = 0.0, one = 1.0;
  volatile double inf = one / zero;
  (void)inf;
  EXPECT_NE(FPU_Status() & 0x8u, 0u) << std::hex << FPU_Status();  // zero divide
  FPU_Control(0x300, 0x300);
  FPU_Reset();
#ifndef _WIN32
  // Natively the reset gives the default environment: round to nearest,
  // everything masked, no flags. (Wine's runtime reset leaves the SSE
  // rounding mode alone, so this is checked natively only.)
  EXPECT_EQ(FPU_Control(0, 0) & 0x0300031Fu, 0x1Fu) << std::hex << FPU_Control(0, 0);
  EXPECT_EQ(FPU_Status() & 0x1Fu, 0u) << std::hex << FPU_Status();
#endif
  FPU_Control(before, 0x0300031Fu);
  EXPECT_EQ(FPU_Control(0, 0), before);
}

}  // namespace
