#include "BetaKit.h"
