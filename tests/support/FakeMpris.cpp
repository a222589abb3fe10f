#include "support/FakeMpris.h"
