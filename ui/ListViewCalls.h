#pragma once
// The former name of ControlCalls.h.

#include "ControlCalls.h"
