// Bytes currently allocated through operator new in this process (the library and
// meshoptimizer included, since the replacement below interposes for them too), and
// the peak since the last reset.
#pragma once

#include <cstddef>

namespace bench {

std::size_t AllocatedBytes();
std::size_t PeakBytes();
void ResetPeak();  // the peak becomes the current amount

}  // namespace bench
