#pragma once

// The simulators' call-log readers live in TestSupport.h.
#include "TestSupport.h"
