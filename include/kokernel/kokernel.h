/* kokernel: every public header in one include, except kogpu.h (the OpenCL
 * offload), which needs the OpenCL headers: hosts that use it include it. */
#ifndef KOKERNEL_KOKERNEL_H
#define KOKERNEL_KOKERNEL_H

#include "kobase.h"
#include "koresult.h"
#include "koframe.h"
#include "kolist.h"
#include "kometric.h"
#include "kogdi.h"
#include "kodib.h"
#include "koyuvlayout.h"
#include "koyuv.h"
#include "kohsl.h"
#include "konumtext.h"
#include "kosmpte.h"
#include "koprintf.h"
#include "kolang.h"
#include "kotimetext.h"
#include "koxchg.h"
#include "kodibops.h"
#include "koimageops.h"
#include "koui.h"
#include "kocursor.h"
#include "kointernet.h"
#include "komsgbox.h"
#include "koerror.h"
#include "koprocess.h"
#include "kofiles.h"
#include "koresource.h"

#endif /* KOKERNEL_KOKERNEL_H */
