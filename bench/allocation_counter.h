#pragma once
// Counts the calls of the global operator new in a program that links allocation_counter.cpp
// (the benchmarks, and the test that checks the hot loops do not allocate).

#include <cstddef>

namespace vok::bench {

/// Calls of operator new (any form but the aligned ones) since the program started.
std::size_t allocationCount();

}  // namespace vok::bench
