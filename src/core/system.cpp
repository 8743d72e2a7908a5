#include "core/system.h"

#include <malloc.h>

namespace tazmel {

void TrimWorkingSet() { malloc_trim(0); }

}  // namespace tazmel
