// Keeps the asset library non-empty; the data itself is generated.
#include "assets/assets.h"
