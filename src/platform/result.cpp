// Result and Error are header-only; this unit keeps the folder's library non-empty
// on its own and gives a home to anything that later needs out-of-line code.
#include "result.h"
