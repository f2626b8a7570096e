#pragma once
#include "TestSupport.h" // the simulators' call-log readers live there
