// A codec reaching up into the loaders: the layer check must refuse it.
#include "imageio/loaders.h"
