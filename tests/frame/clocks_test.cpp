#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "frame/frame_internal.h"
#include "kokernel/koframe.h"

namespace kf = ko::frame;
using ko::frame::PerfDivisors;

TEST(ClockDivisors, FromTheCounterFrequency) {
  PerfDivisors d{};
  ASSERT_TRUE(ko::frame::PerfDivisorsFor(10000000u, &d));  // 10 MHz
  EXPECT_TRUE(d.milli == 10000 && d.micro == 10 && d.correction == 0);
  EXPECT_EQ(ko::frame::PerfMillisec(12345678, d), 1234u);
  EXPECT_EQ(ko::frame::PerfMicrosec(12345678, d), 1234567u);
  EXPECT_EQ(ko::frame::PerfMillisec(-20000, d), static_cast<uint32_t>(-2));

  // ACPI timer: 3.579545 MHz, microsecond divisor 3, corrected to 1193181.
  ASSERT_TRUE(ko::frame::PerfDivisorsFor(3579545u, &d));
  EXPECT_TRUE(d.milli == 3579 && d.micro == 3 && d.correction == 1193181);
  // One second of ticks: 1193181 units of 3 ticks, corrected to 1000000 us.
  EXPECT_EQ(ko::frame::PerfMicrosec(3579545, d), 1000000u);

  // A kilohertz counter: the microsecond divisor stays 1.
  ASSERT_TRUE(ko::frame::PerfDivisorsFor(1000u, &d));
  EXPECT_TRUE(d.micro == 1 && d.correction == 1000);
  EXPECT_EQ(ko::frame::PerfMicrosec(7, d), 7000u);
  // Below 1 kHz there is no millisecond divisor: the tick count stays.
  EXPECT_FALSE(ko::frame::PerfDivisorsFor(999u, &d));
}

class Clocks : public ::testing::Test {
 protected:
  void SetUp() override { ko::frame::StartClock(); }
};

// Reading a counter leaves it as it was; a delta moves it on; microseconds
// agree with milliseconds, for a counter and for the process clock.
TEST_F(Clocks, CountersTakenNowAndTheirUnits) {
  ULONGLONG c = 0;
  KoDeltaMillisecEx(&c);  // a fresh counter
  const ULONGLONG taken = c;
  KoGetMillisecEx(&c);
  KoGetMicrosecEx(&c);
  EXPECT_EQ(c, taken);
  EXPECT_EQ(KoGetMillisecEx(nullptr), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const uint32_t ms1 = KoGetMillisecEx(&c), us = KoGetMicrosecEx(&c), ms2 = KoGetMillisecEx(&c);
  EXPECT_GE(ms1, 5u);
  EXPECT_TRUE(us >= ms1 * 1000u && us < (ms2 + 1) * 1000u) << us;
  KoDeltaMicrosecEx(&c);
  EXPECT_GT(c, taken);
  const uint32_t a = KoGetMillisec(), au = KoGetMicrosec(), b = KoGetMillisec();
  EXPECT_TRUE(au >= a * 1000u && au < (b + 1) * 1000u) << a << " " << au << " " << b;
}
