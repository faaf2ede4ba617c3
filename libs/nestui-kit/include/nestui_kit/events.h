#pragma once
// The kit's structured diagnostic events. A program that wants them sets a
// receiver; without one they are dropped.

#include <source_location>
#include <string>
#include <string_view>
#include <vector>

namespace nestui_kit {

enum class EventLevel { Error, Warn, Info, Debug };

struct EventField {
  std::string_view name;
  std::string value;
};

struct Event {
  EventLevel level;
  std::string_view target;  // the module, e.g. "nestui_kit::dialogs"
  std::string_view message;
  std::vector<EventField> fields;
  std::source_location location;
};

using EventReceiver = void (*)(const Event&);

// Process-wide; nullptr drops events. Safe from any thread.
void set_event_receiver(EventReceiver receiver);

void emit_event(EventLevel level, std::string_view target, std::string_view message,
                std::vector<EventField> fields = {},
                std::source_location location = std::source_location::current());

}  // namespace nestui_kit
