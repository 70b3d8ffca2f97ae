#pragma once

#include "platform/image/image.h"

namespace vd {

// Spreads (amount > 0) or squeezes (amount < 0) every channel around the middle: values
// from 128 up pivot on 128, values below on 127, by the factor amount / 100 held in single
// precision. amount is -100..100; alpha stays.
void contrast(Image& image, int amount);

// The factor of an amount: the amount converted to float, divided by 100.0f in float.
float contrastFactor(int amount);

// One channel value through the contrast formula, for tables and checks: the product with
// the factor is taken in double, rounded half to even, and each half clamped at its own end.
int contrastLevel(int value, float factor);

}  // namespace vd
