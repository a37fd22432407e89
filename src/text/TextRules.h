#pragma once

// Gathers the text units' headers for the files that still include this one.
#include "text/Int16.h"
#include "text/NumberReading.h"
#include "text/NumberWriting.h"
#include "text/PatternFormat.h"
