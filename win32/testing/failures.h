// The panel's failure switches behind the layer's failure seam.
#pragma once

#include "seams.h"

// While set, the layer's call of this kind fails (the seam is filled on the
// first use).
void panel_set_failure(LayerFailure failure, bool fail);
