#pragma once
// Identifiers of the message handlers the kit attaches to windows (window
// subclasses): one process-wide counter, so no two handlers ever share one.

#include <cstdint>

namespace nestui_kit {

// The first identifier the counter hands out; identifiers at or below
// 0xFFFF are never used.
inline constexpr std::uintptr_t kFirstHandlerId = 0x11000000;
// Handlers with fixed identifiers: the progress bar's painter and the
// message dialog's chip row.
inline constexpr std::uintptr_t kProgressPainterId = 0x10E100;
inline constexpr std::uintptr_t kChipRowId = 0x4F4C4350;

// Reserves `count` consecutive identifiers and returns the first. Safe from
// any thread.
std::uintptr_t reserve_handler_ids(std::uintptr_t count = 1);

}  // namespace nestui_kit
