#pragma once

#include "engine/Training.h"

// TeachNS worked neuron after neuron through the neuron interface, without a
// control: the reference that TeachNS must match bit for bit.
TeachOutcome TeachNSPlain(mdMain& state, double target, int32_t limit);
