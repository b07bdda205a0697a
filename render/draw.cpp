#include "render/draw.h"

// Placeholders until the painter lands.
int DrawPolylines(platform::DeviceContext*, const GrowArray<DevicePolyline>&) { return 0; }
int DrawTexts(platform::DeviceContext*, const GrowArray<DeviceText>&) { return 0; }
