#pragma once
#include "tests/support/TestSupport.h"
