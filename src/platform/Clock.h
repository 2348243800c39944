#pragma once
// Clock is declared with the runtime, which owns it.
#include "Runtime.h"
