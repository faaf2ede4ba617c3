#pragma once

#include "i18n/locale.h"
#include "update_sequence.h"

namespace updater {

// The run's services on Windows: process control, the signature check,
// files and (when they exist) the windows.
UpdateServices windows_services(i18n::language_index language);

}  // namespace updater
