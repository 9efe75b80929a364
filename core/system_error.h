#pragma once
// The one place where the library turns a system error number into its text.

#include <cstdint>

#include "core/string.h"

// The system's message for `error` without its trailing line end; empty when the
// system has none.
String system_message(std::uint32_t error);
