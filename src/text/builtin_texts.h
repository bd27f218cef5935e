// The library's own built-in texts (labels, units, button captions) as the
// text room sees them: their numbers and one lookup. The language layer
// (src/settings) owns the multi-language records and provides the lookup, so
// that the text room depends on nothing of it but this header.
#pragma once

#include "kokernel/kolang.h"

namespace ko::lang {

// The kernel language handle (opened at start-up on the host module; null
// before), for the text room's temporary strings.
HKOLANG KernelHandle();

enum BuiltinText : int {
  kTextTimecodeLabel = 0,    // "hr%smn%ssc%sfr"
  kTextTimecodeLabelFull,    // "hours%sminutes%sseconds%sframes"
  kTextMusicLabel,           // "ms%sbt%stk"
  kTextMusicLabelFull,       // "measures%sbeats%sticks"
  kTextOk,
  kTextCancel,
  kTextMinusInf,  // "-Inf."
  kTextErr,       // "Err."
  kTextDecibel,   // " dB"
  kTextSizeBytesLong,        // "%1 bytes": byte sizes, "%1" is the number
  kTextSizeBytesShort,       // "%1 B"
  kTextSizeKB,               // "%1 KB"
  kTextSizeMB,               // "%1 MB"
  kTextSizeGB,               // "%1 GB"
  kTextSizeTB,               // "%1 TB"
  kTextSizePB,               // "%1 PB"
  kTextSizeEB,               // "%1 EB"
  kTextSizeTooBig,           // "> 9 YB"
  kTextAbort,                // message-box buttons: "&Abort"
  kTextRetry,                // "&Retry"
  kTextIgnore,               // "&Ignore"
  kTextYes,                  // "&Yes"
  kTextNo,                   // "&No"
  kTextYesToAll,             // "Yes to &All"
  kTextDelete,               // "D&elete"
  kTextNoToAll,              // "N&o to All"
  kTextDetailsShow,          // "&Details >>"
  kTextDetailsHide,          // "No &Details"
  kTextDontShowAgain,        // "Do no&t show this message again."
  kTextDiskMegabytes,        // free disk space: "$.1z Megabytes"
  kTextDiskGigabytes,        // "$.1z Gigabytes"
  kTextDiskUnknown,          // "-- Megabytes"
  kBuiltinTextCount
};

}  // namespace ko::lang

namespace ko::text {

// Built-in text `index` (a ko::lang::BuiltinText) in the kernel language
// handle's language, English without a handle or where the language has
// none; "" for an unknown index.
const KOCHAR *BuiltinText(int index);

}  // namespace ko::text
