// SPDX-License-Identifier: MIT
// Impulse-driven control values that give ships their inertia. Control code adds impulses
// to input (+1/-1 per frame); once per frame UpdateDampedValues advances every live value by
// the milliseconds since the previous update: it grows with the impulses, is pulled back
// toward zero by decay and always ends within [-limit, limit].
#pragma once

#include <cstdint>

class DampedValue {
public:
    DampedValue();  // all zero; joins the registry
    ~DampedValue();  // leaves the registry

    // Registered by address, so never copied.
    DampedValue(const DampedValue&) = delete;
    DampedValue& operator=(const DampedValue&) = delete;

    // acceleration = a, decay = a / ratio, limit = limit; input and value back to 0.
    void Configure(float a, float ratio, float limit);

    int32_t input = 0;  // impulses since the last update
    float value = 0.0f;  // units per millisecond
    float acceleration = 0.0f;  // change of value per impulse per millisecond
    float decay = 0.0f;  // pull toward 0 per millisecond
    float limit = 0.0f;

private:
    int32_t slot;  // its place in the registry
};

// Advances every registered value, each on its own (so their order does not matter), by the
// milliseconds since the last update, at most kMaxMotionFrameMs (shell/Services.h). The first
// update after start-up (or after ResetDampedValueClock) uses 0 ms and so only clears the
// impulses.
void UpdateDampedValues();

// Forgets the tick count of the previous update, so the next one uses 0 ms.
void ResetDampedValueClock();

int32_t DampedValueCount();  // number of registered values
