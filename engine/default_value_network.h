// The weight file of the value network built into the engine: the committed
// learn/models/value-network.bin, embedded at build time, read by
// --search value unless --model names another.
#pragma once

#include <cstdint>
#include <span>

namespace curling {

std::span<const uint8_t> DefaultValueNetworkBytes();

}  // namespace curling
