// Drawing the device lists onto a canvas's device context with pens, brushes
// and fonts, each made only when its description changes.
#pragma once

#include "model/flatten.h"

namespace platform {
struct DeviceContext;
}

// 1 when every record was drawn, 0 at the first failure.
int DrawPolylines(platform::DeviceContext* dc, const GrowArray<DevicePolyline>& polylines);
int DrawTexts(platform::DeviceContext* dc, const GrowArray<DeviceText>& texts);
