/* Every public header must compile as C. This file is built as C and
 * reports the sizes of the public records to the C++ test beside it. */
#include "kokernel/kokernel.h"

size_t ko_c_sizeof_kochar(void) { return sizeof(KOCHAR); }
size_t ko_c_sizeof_hresult(void) { return sizeof(HRESULT); }
size_t ko_c_sizeof_kolist(void) { return sizeof(tKOLIST); }
