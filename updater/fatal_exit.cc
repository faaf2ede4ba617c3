// What happens on a fatal error (an exception nobody catches, a broken
// noexcept promise): the process ends at once with kExitFatal. Nothing is
// printed, since the updater has no console and nobody reads its standard
// error, and no dialog is shown that would keep an unattended update waiting.
#include <cstdlib>
#include <exception>

#include "exit_codes.h"

#if defined(__GLIBCXX__)
#include <bits/functexcept.h>
#endif

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

// Where libstdc++'s own code meets an error (a string or vector grown past
// its largest size, an index out of range in at(), an empty std::function
// called) it calls one of these helpers, whose library versions throw the
// standard exception. Nothing in the updater catches one, so that exception
// would end the process through the terminate handler above: these end it
// the same way without the throw. The library's versions bring in every
// standard exception class and the old copy-on-write string they are built
// on (about 35 KB). All of them are defined here: if the program used one
// that is missing, the library's file of helpers would be linked in too and
// the link would fail on the ones defined twice.
namespace std {
void __throw_bad_exception() { end_process(); }
void __throw_bad_alloc() { end_process(); }
void __throw_bad_array_new_length() { end_process(); }
void __throw_bad_cast() { end_process(); }
void __throw_bad_typeid() { end_process(); }
void __throw_logic_error(const char*) { end_process(); }
void __throw_domain_error(const char*) { end_process(); }
void __throw_invalid_argument(const char*) { end_process(); }
void __throw_length_error(const char*) { end_process(); }
void __throw_out_of_range(const char*) { end_process(); }
void __throw_out_of_range_fmt(const char*, ...) { end_process(); }
void __throw_runtime_error(const char*) { end_process(); }
void __throw_range_error(const char*) { end_process(); }
void __throw_overflow_error(const char*) { end_process(); }
void __throw_underflow_error(const char*) { end_process(); }
void __throw_ios_failure(const char*) { end_process(); }
void __throw_ios_failure(const char*, int) { end_process(); }
void __throw_system_error(int) { end_process(); }
void __throw_future_error(int) { end_process(); }
void __throw_bad_function_call() { end_process(); }
}  // namespace std
#else
namespace {
// Other runtimes call abort, which may show a report dialog.
[[maybe_unused]] const std::terminate_handler kPrevious = std::set_terminate(&end_process);
}  // namespace
#endif
