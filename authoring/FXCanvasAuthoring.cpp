#include "render/FXCanvas.h"
