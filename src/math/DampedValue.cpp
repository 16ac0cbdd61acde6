// SPDX-License-Identifier: MIT
#include "math/DampedValue.h"

#include <cstddef>
#include <vector>

#include "shell/Services.h"

namespace {

// Never destroyed: values embedded in tasks may still leave it while gExecutor is cleared at
// program exit, after ordinary globals of this file would be gone. Joining and leaving take
// the same time however many values there are (a battle makes and ends bolts, four values
// each, every frame): the last value moves into the place of one that leaves.
std::vector<DampedValue*>& Registry()
{
    static std::vector<DampedValue*>* registry = new std::vector<DampedValue*>;
    return *registry;
}

uint32_t lastUpdateTicks = 0;  // 0: no update yet

}  // namespace

DampedValue::DampedValue() : slot(static_cast<int32_t>(Registry().size()))
{
    Registry().push_back(this);
}

DampedValue::~DampedValue()
{
    std::vector<DampedValue*>& registry = Registry();
    DampedValue* last = registry.back();
    registry[static_cast<size_t>(slot)] = last;
    last->slot = slot;
    registry.pop_back();
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

    for (DampedValue* value : Registry()) {
        DampedValue& d = *value;
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

int32_t DampedValueCount() { return static_cast<int32_t>(Registry().size()); }
