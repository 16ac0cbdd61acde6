// SPDX-License-Identifier: MIT
#include "math/DampedValue.h"

#include "shell/DynArray.h"
#include "shell/Services.h"

namespace {

// Never destroyed: values embedded in tasks may still leave it while gExecutor is cleared at
// program exit, after ordinary globals of this file would be gone.
DynArray<DampedValue*>& Registry()
{
    static DynArray<DampedValue*>* registry = new DynArray<DampedValue*>;
    return *registry;
}

uint32_t lastUpdateTicks = 0;  // 0: no update yet

}  // namespace

DampedValue::DampedValue() { Registry().Append(this); }

DampedValue::~DampedValue()
{
    DynArray<DampedValue*>& registry = Registry();
    registry.RemoveAt(registry.IndexOf(this));
}

void DampedValue::Configure(float a, float ratio, float limit)
{
    acceleration = a;
    decay = a / ratio;
    this->limit = limit;
    input = 0;
    value = 0.0f;
}

void UpdateDampedValues()
{
    const uint32_t now = GetTicks();
    uint32_t dt = lastUpdateTicks == 0 ? 0 : now - lastUpdateTicks;
    // After a stall the values change as over the longest frame motion sees, no more.
    if (dt > static_cast<uint32_t>(kMaxMotionFrameMs)) dt = kMaxMotionFrameMs;
    const float ms = static_cast<float>(dt);

    DynArray<DampedValue*>& registry = Registry();
    for (int32_t i = 0; i < registry.Count(); ++i) {
        DampedValue& d = *registry[i];
        d.value += d.input * d.acceleration * ms;
        d.input = 0;
        if (d.value > 0.0f) {
            d.value -= d.decay * ms;
            if (d.value < 0.0f) d.value = 0.0f;
        }
        if (d.value < 0.0f) {
            d.value += d.decay * ms;
            if (d.value > 0.0f) d.value = 0.0f;
        }
        if (d.value > d.limit) d.value = d.limit;
        if (d.value < -d.limit) d.value = -d.limit;
    }

    lastUpdateTicks = now;
}

void ResetDampedValueClock() { lastUpdateTicks = 0; }

int32_t DampedValueCount() { return Registry().Count(); }
