#pragma once
// The view toolkit's core: the shared row formats, View with its mouse-over callback, and the
// registry of view types.

#include "views/View.h"
#include "views/ViewDefinition.h"
#include "views/ViewRegistry.h"
