/*
 * kokernel: SMPTE time code.
 * Conversions between time code, frame counts and media time (100 ns
 * units), arithmetic, comparison, single-frame steps and reading from text.
 *
 * Modes: 1 = 30 fps, 2 = 29.97 fps drop-frame, 3 = 25 fps, 4 = 24 fps,
 * 5 = 30 labels per second at 29.97 fps (no frames dropped),
 * 6 = 24 labels per second at 23.976 fps. Other modes are not valid: the
 * functions leave such records alone and give 0.
 */
#ifndef KOKERNEL_KOSMPTE_H
#define KOKERNEL_KOSMPTE_H

#include "kobase.h"

KO_BEGIN_DECLS

typedef struct _smpteval {
  DWORD mode;
  DWORD hours;
  DWORD minutes;
  DWORD seconds;
  DWORD frames;
  DWORD reserved; /* cleared by the text reader */
} _smpteval;

#define KOSMPTE_MODE_30 1
#define KOSMPTE_MODE_2997_DROP 2
#define KOSMPTE_MODE_25 3
#define KOSMPTE_MODE_24 4
#define KOSMPTE_MODE_2997_NONDROP 5
#define KOSMPTE_MODE_23976 6

/* Frame count of the time code (0 for an invalid mode). */
KOAPI LONG KOSMPTE_SMPTEToFrameCount(const _smpteval *smpte);
/* Fills hours to frames from a frame count; counts are taken modulo the
 * frames of one day (a negative count counts back from midnight). */
KOAPI void KOSMPTE_FrameCountToSMPTE(_smpteval *smpte, LONG frameCount);
KOAPI void KOSMPTE_NanoToSMPTE(LONGLONG time, _smpteval *smpte);
KOAPI LONGLONG KOSMPTE_SMPTEToNanos(const _smpteval *smpte);
KOAPI LONGLONG KOSMPTE_SmpteLikeToNanos(double rate, const _smpteval *smpte);
KOAPI void KOSMPTE_AddSMPTE(_smpteval *a, const _smpteval *b);
KOAPI void KOSMPTE_SubtractSMPTE(_smpteval *a, const _smpteval *b);
KOAPI LONG KOSMPTE_SMPTECompare(const _smpteval *a, const _smpteval *b);
KOAPI void KOSMPTE_IncrementByFrame(_smpteval *smpte, DWORD unused);
KOAPI void KOSMPTE_DeccrementByFrame(_smpteval *smpte, DWORD unused);
/* Returns the character at which reading stopped, 0 when the whole text was read. */
KOAPI KOCHAR KOSMPTE_TextToSMPTE(KOCSTR text, _smpteval *smpte);

KO_END_DECLS

#ifdef __cplusplus
static_assert(sizeof(_smpteval) == 24, "_smpteval is six 32-bit fields");
#endif

#endif /* KOKERNEL_KOSMPTE_H */
