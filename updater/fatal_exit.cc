// What happens on a fatal error (an exception nobody catches, a broken
// noexcept promise): the process ends at once with kExitFatal. Nothing is
// printed, since the updater has no console and nobody reads its standard
// error, and no dialog is shown that would keep an unattended update waiting.
#include <cstdlib>
#include <exception>

#include "exit_codes.h"

namespace {

[[noreturn]] void end_process() noexcept { std::_Exit(updater::kExitFatal); }

}  // namespace

#if defined(__GLIBCXX__)
// libstdc++ makes this its default handler, and its own version names the
// exception's type, which links in the demangler and printf's formatting
// (about 70 KB). A definition here takes the place of the library's.
namespace __gnu_cxx {
void __verbose_terminate_handler() { end_process(); }
}  // namespace __gnu_cxx
#else
namespace {
// Other runtimes call abort, which may show a report dialog.
[[maybe_unused]] const std::terminate_handler kPrevious = std::set_terminate(&end_process);
}  // namespace
#endif
