#include "nestui_kit/handlers.h"

#include <atomic>

namespace nestui_kit {

std::uintptr_t reserve_handler_ids(std::uintptr_t count) {
  static std::atomic<std::uintptr_t> next{kFirstHandlerId};
  return next.fetch_add(count, std::memory_order_relaxed);
}

}  // namespace nestui_kit
