/*
 * kokernel: media time as text.
 *
 * Media time is a signed 64-bit count of 100-nanosecond units (10,000,000
 * per second). A position-format record (_koposfmt) says how a position is
 * shown: as samples, clock time, seconds, frames, measures and beats, SMPTE
 * time code, feet and frames, and so on. The writers print through the
 * KoPrintF engine, so separators and digit grouping follow the user's
 * settings; the readers accept what the writers print and return where they
 * stopped.
 *
 * Writers return the characters written (a leading "-" included); the forms
 * without "N" need a destination that the caller has sized (128 characters
 * hold every built-in format). Readers never fail: unreadable text gives 0
 * (or the caller's default where one is taken). Null pointers give 0.
 */
#ifndef KOKERNEL_KOTIMETEXT_H
#define KOKERNEL_KOTIMETEXT_H

#include "kobase.h"
#include "kosmpte.h"

KO_BEGIN_DECLS

/* Media time units. */
#define KOTIME_UNITS_PER_SECOND 10000000LL
#define KOTIME_UNITS_PER_MINUTE 600000000LL
/* The range that readers limit their results to: -2^62 to 2^61 units. */
#define KOTIME_PARSE_MIN (-4611686018427387904LL)
#define KOTIME_PARSE_MAX 2305843009213693952LL

/* Position formats (the format field of _koposfmt). */
#define KOPOSFMT_SAMPLES 0
#define KOPOSFMT_TIME 1
#define KOPOSFMT_SECONDS 2
#define KOPOSFMT_TIME_FRAMES 3
#define KOPOSFMT_FRAMES 4
#define KOPOSFMT_MEASURES 5
#define KOPOSFMT_SMPTE_2997 6
#define KOPOSFMT_SMPTE_30 7
#define KOPOSFMT_SMPTE_2997_DROP 8
#define KOPOSFMT_SMPTE_25 9
#define KOPOSFMT_SMPTE_24 10
#define KOPOSFMT_UNITS 11
#define KOPOSFMT_MICROSECONDS 12
#define KOPOSFMT_MEASURES_ZERO 13
#define KOPOSFMT_BEATS 14
#define KOPOSFMT_FEET_FRAMES_40 15
#define KOPOSFMT_FEET_FRAMES_16 16
#define KOPOSFMT_CD_TIME 17
#define KOPOSFMT_SMPTE_23976 18
#define KOPOSFMT_CLOCK 19
#define KOPOSFMT_COUNT 20

/* Writer flags. */
#define KOPOSFMT_FLAG_SHORT 0x1u     /* the short table (KoNanoTimeToTextEx) */
#define KOPOSFMT_FLAG_NO_ORIGIN 0x2u /* keep the origin; measures and beats from 0 */
/* Reader flags (KoTextToNanoTimeToken2). */
#define KOPOSFMT_PARSE_SHORT 0x1u     /* the short text: fewer fields */
#define KOPOSFMT_PARSE_NO_ORIGIN 0x2u /* do not add the origin */
#define KOPOSFMT_PARSE_LIMITS 0x4u    /* default for unreadable text, then min and max */

typedef struct _koposfmt {
  DWORD format;          /* KOPOSFMT_* */
  DWORD sampleRate;      /* samples per second */
  double frameRate;      /* frames per second */
  double tempo;          /* beats per minute */
  LONGLONG origin;       /* subtracted before printing, added after reading */
  WORD beatUnit;         /* note value of a beat (time signature denominator) */
  WORD beatsPerMeasure;  /* time signature numerator */
  DWORD ticksPerBeat;
} _koposfmt;

/* ---- Time to text ---------------------------------------------------------- */
/* The position with a format of the caller's choice (the values of the
 * record's code are its arguments; codes 20 and above pass the time). */
KOAPI int KoNanoTimeToTextFormat(KOSTR dst, const _koposfmt *fmt, LONGLONG time, KOCSTR format,
                                 DWORD flags);
KOAPI int KoNanoTimeToTextFormatN(KOSTR dst, int capacity, const _koposfmt *fmt, LONGLONG time,
                                  KOCSTR format, BYTE flags);
/* The built-in format of the record's code: the short table with flag bit 0. */
KOAPI int KoNanoTimeToTextEx(KOSTR dst, const _koposfmt *fmt, LONGLONG time, DWORD flags);
KOAPI int KoNanoTimeToTextExN(KOSTR dst, int capacity, const _koposfmt *fmt, LONGLONG time,
                              DWORD flags);
KOAPI int KoNanoTimeToText(KOSTR dst, const _koposfmt *fmt, LONGLONG time, BOOL shortForm);
KOAPI int KoNanoTimeToTextN(KOSTR dst, int capacity, const _koposfmt *fmt, LONGLONG time,
                            BOOL shortForm);

/* ---- Text to time ------------------------------------------------------------ */
/* end (may be null) receives the position after the text read. */
KOAPI LONGLONG KoTextToNanoTimeToken2(KOCSTR text, const _koposfmt *fmt, LONGLONG def,
                                      LONGLONG minimum, LONGLONG maximum, DWORD flags,
                                      KOCSTR *end);
KOAPI LONGLONG KoTextToNanoTimeToken(KOCSTR text, const _koposfmt *fmt, BOOL shortForm,
                                     KOCSTR *end);
KOAPI LONGLONG KoTextToNanoTimeTokenEx(KOCSTR text, const _koposfmt *fmt, BOOL shortForm,
                                       LONGLONG def, LONGLONG minimum, LONGLONG maximum,
                                       KOCSTR *end);
/* Milliseconds from "h:m:s.fff" (shortForm: "h:m:s"). */
KOAPI LONGLONG KoTextToTimeToken(KOCSTR text, const _koposfmt *fmt, BOOL shortForm, KOCSTR *end);
/* Hours, minutes, seconds and frames at the record's frame rate. */
KOAPI LONGLONG KoTextToHMSFToken(KOCSTR text, const _koposfmt *fmt, BOOL shortForm, KOCSTR *end);
/* Feet and frames: 40 frames per foot when frames40 is nonzero, else 16. */
KOAPI LONGLONG KoTextToFeetAndFramesToken(KOCSTR text, const _koposfmt *fmt, BOOL frames40,
                                          KOCSTR *end);
/* Measures, beats and ticks (flag bit 0: no ticks; bit 1: counted from 0). */
KOAPI LONGLONG KoTextToMusicTimeToken(KOCSTR text, const _koposfmt *fmt, DWORD flags, KOCSTR *end);
/* Tick counts: (beats per measure x measures + beats) x ticks per beat +
 * multiplier x ticks. The outputs may be null. */
KOAPI LONGLONG KoTextToMeasuresBeatsTicks(KOCSTR text, const _koposfmt *fmt, BOOL oneBased,
                                          DWORD multiplier, LONG *measures, LONG *beats,
                                          LONG *ticks);
KOAPI LONGLONG KoTextToBeatsTicks(KOCSTR text, const _koposfmt *fmt, DWORD multiplier,
                                  LONG *beats, LONG *ticks);
KOAPI LONGLONG KoTextToTicks(KOCSTR text, const _koposfmt *fmt, BOOL oneBased, DWORD multiplier);

/* ---- Records ---------------------------------------------------------------- */
/* Modes 1 to 6 make the record SMPTE time code; any other mode counts frames
 * at `rate`. Hours wrap at 24 unless noWrap. The record has no sign: a
 * negative time fills the fields of its magnitude (SMPTE modes count back
 * from midnight). */
KOAPI void KoNanoTimeToHMSF(LONGLONG time, _smpteval *hmsf, double rate, BYTE noWrap);
KOAPI LONGLONG KoHMSFToNanoTime(const _smpteval *hmsf, double rate);
/* Measures, beats and ticks counted from 0 (outputs may be null). */
KOAPI void KoNanoTimeToMeasures(LONGLONG time, const _koposfmt *fmt, DWORD *measures,
                                DWORD *beats, DWORD *ticks);
KOAPI int KoMeasuresAndTicksToText(KOSTR dst, const _koposfmt *fmt, LONG measure, LONG tick,
                                   BOOL oneBased, BOOL shortForm, DWORD divisor);
KOAPI int KoTicksToText(KOSTR dst, const _koposfmt *fmt, LONGLONG ticks, BOOL oneBased,
                        BOOL shortForm, DWORD divisor);

/* ---- Labelled values ---------------------------------------------------------- */
/* The text lives in the kernel language handle's scratch ring and stays
 * valid until the ring wraps. A nonzero floor at or above the value gives
 * "-Inf."; without a ring the text is "Err.". */
KOAPI KOCSTR KoGetLabeledStringFixed(LONG value, LONG decimals, LONG floor, KOCSTR label);
KOAPI KOCSTR KoGetLabeledStringFloat(float value, LONG decimals, float floor, KOCSTR label);
KOAPI KOCSTR KoGetdBStringFixed(LONG value, LONG decimals, LONG floor, BOOL withLabel);
KOAPI KOCSTR KoGetdBStringFloat(float value, LONG decimals, float floor, BOOL withLabel);

KO_END_DECLS

#ifdef __cplusplus
static_assert(sizeof(_koposfmt) == 40, "_koposfmt is 40 bytes");
#endif

#endif /* KOKERNEL_KOTIMETEXT_H */
