#pragma once
// Kept while tests outside this folder still include it: TestSupport.h is the header to use.
#include "tests/support/TestSupport.h"
