// The kerning pair both plug-ins share.
#pragma once

#include "support/kerning.h"
