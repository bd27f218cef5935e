/* kokernel: every public header in one include. */
#ifndef KOKERNEL_KOKERNEL_H
#define KOKERNEL_KOKERNEL_H

#include "kobase.h"
#include "koresult.h"
#include "kolist.h"
#include "kometric.h"
#include "kolang.h"

#endif /* KOKERNEL_KOKERNEL_H */
