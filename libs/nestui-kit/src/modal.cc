#include "nestui_kit/modal.h"

#include <utility>

namespace nestui_kit {
namespace {

std::optional<std::size_t>& result_slot() {
  thread_local std::optional<std::size_t> slot;
  return slot;
}

}  // namespace

void clear_modal_result() { result_slot().reset(); }
void set_modal_result(std::size_t index) { result_slot() = index; }
std::optional<std::size_t> take_modal_result() {
  return std::exchange(result_slot(), std::nullopt);
}

}  // namespace nestui_kit
