#include "nestui_kit/events.h"

#include <atomic>
#include <utility>

namespace nestui_kit {
namespace {

std::atomic<EventReceiver>& receiver() {
  static std::atomic<EventReceiver> current{nullptr};
  return current;
}

}  // namespace

void set_event_receiver(EventReceiver receiver_function) { receiver().store(receiver_function); }

void emit_event(EventLevel level, std::string_view target, std::string_view message,
                std::vector<EventField> fields, std::source_location location) {
  const EventReceiver current = receiver().load();
  if (!current) return;
  current(Event{level, target, message, std::move(fields), location});
}

}  // namespace nestui_kit
