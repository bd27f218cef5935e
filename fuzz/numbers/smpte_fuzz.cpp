// Time-code reader on any text, followed by the arithmetic on what it read.
#include "../harness.h"
#include "kokernel/kosmpte.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  FuzzText t(data + 1, size - 1);
  _smpteval v{static_cast<DWORD>(data[0] % 8), 0, 0, 0, 0, 7};
  KOCHAR stop = KOSMPTE_TextToSMPTE(t.c_str(), &v);
  if (v.reserved != 0 || v.hours >= 24 || v.minutes >= 60 || v.seconds >= 60) std::abort();
  if (stop != 0 && (stop < '0' || stop > '9')) {
    // Reading stops at the digit that would start a fifth field, or at a
    // separator at the end of the text.
    if (t.length == 0 || stop != t.c_str()[t.length - 1]) std::abort();
  }
  if (v.mode >= 1 && v.mode <= 6) {
    _smpteval w = v;
    KOSMPTE_FrameCountToSMPTE(&w, KOSMPTE_SMPTEToFrameCount(&v));
    KOSMPTE_IncrementByFrame(&w, 0);
    KOSMPTE_DeccrementByFrame(&w, 0);
    if (KOSMPTE_SMPTEToFrameCount(&w) != KOSMPTE_SMPTEToFrameCount(&v)) std::abort();
    KOSMPTE_NanoToSMPTE(KOSMPTE_SMPTEToNanos(&v), &w);
    KOSMPTE_AddSMPTE(&w, &v);
    KOSMPTE_SubtractSMPTE(&w, &v);
  }
  return 0;
}
