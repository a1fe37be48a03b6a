#pragma once
// The lists the programs ship with, built in, so that a damaged list can be started again from
// them wherever the programs run.

#include <string>

namespace vok {

/// The bytes of starter list 1..6, as the build writes them beside the programs; empty for any
/// other number.
std::string starterListBytes(int which);

}  // namespace vok
