#pragma once
// How long tests wait for what they start under Wine. A program starts there in a
// second or two on an idle machine and in many more while other builds run, so the
// bounds are generous: they only end a test that hangs, they time nothing.

#include <string>

namespace timeouts {

// A program a test runs to its end: a stub, a system tool, the UI driver.
constexpr unsigned long program_ms = 30000;

// The builder building a product, packing included.
constexpr unsigned long builder_ms = 120000;

// A started installer or program to end once nothing holds it (its box answered, or
// none shown).
constexpr unsigned long process_end_ms = 30000;

// How long the UI driver looks for a box; less than program_ms, so that the driver
// gives up and says so before the test ends it.
constexpr unsigned long box_ms = 20000;
static_assert(box_ms < program_ms, "the driver must give up on a box before the test gives up on the driver");

// A second look, after a program did not end in time, for a box that keeps it open.
constexpr unsigned long box_glance_ms = 2000;

// A wait as the UI driver's --timeout takes it, in seconds.
inline std::string seconds_text(unsigned long ms) {
    return std::to_string(ms / 1000);
}
static_assert(box_ms % 1000 == 0 && box_glance_ms % 1000 == 0, "the driver's waits are whole seconds");

} // namespace timeouts
