// The process-wide list of the formatter's custom tokens: a synchronised
// KoList of heap items (8-byte slots), created by the library start-up and
// destroyed by its shutdown. Registration, deletion and lookups hold the
// list's own lock.
#pragma once

#include "kokernel/kolist.h"

namespace ko::text {

// Creates the token list unless it exists; S_OK when it exists afterwards.
HRESULT CreateTokenList();
// Destroys the token list (and the tokens in it); nothing when there is none.
void DestroyTokenList();
// The token list, or null before start-up and after shutdown.
tKOLIST *TokenList();

}  // namespace ko::text
