// Implemented separately.
#include "text/TextRules.h"
