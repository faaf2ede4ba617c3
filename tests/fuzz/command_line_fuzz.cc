// The installer's command line for any program path and arguments (the
// input: lines, the first the program, the others its arguments), split
// again as the Microsoft C runtime splits a command line: the program in
// quotes up to the next quote; then arguments between blanks, where
// 2n backslashes before a quote give n and the quote opens or closes
// quoting, 2n+1 give n and a literal quote, and a doubled quote inside
// quotes gives one quote. The same program and arguments come back.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "process_control.h"

namespace {

std::optional<std::vector<std::string>> split(std::string_view line) {
  std::vector<std::string> out;
  if (line.empty() || line[0] != '"') return std::nullopt;
  const std::size_t close = line.find('"', 1);
  if (close == std::string_view::npos) return std::nullopt;
  out.emplace_back(line.substr(1, close - 1));
  std::size_t i = close + 1;
  const auto blank = [&](std::size_t at) { return line[at] == ' ' || line[at] == '\t'; };
  if (i < line.size() && !blank(i)) return std::nullopt;  // the program ends at its quote
  for (;;) {
    while (i < line.size() && blank(i)) ++i;
    if (i == line.size()) return out;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || !blank(i))) {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
      if (i < line.size() && line[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg += '"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          arg += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(backslashes, '\\');
        if (i < line.size() && (quoted || !blank(i))) arg += line[i++];
      }
    }
    out.push_back(std::move(arg));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  for (std::size_t from = 0;;) {
    const std::size_t end = input.find('\n', from);
    parts.push_back(input.substr(from, end - from));
    if (end == std::string_view::npos) break;
    from = end + 1;
  }
  const std::string_view program = parts[0];
  const std::vector<std::string_view> args(parts.begin() + 1, parts.end());
  // A NUL ends a Windows command line: no argument can hold one.
  for (const std::string_view arg : args)
    if (arg.find('\0') != std::string_view::npos) return 0;

  const std::optional<std::string> line = updater::command_line(program, args);
  const bool quotable =
      program.find('"') == std::string_view::npos && program.find('\0') == std::string_view::npos;
  FUZZ_CHECK(line.has_value() == quotable);
  if (!line) return 0;
  FUZZ_CHECK(line->find('\0') == std::string::npos);
  const std::optional<std::vector<std::string>> back = split(*line);
  FUZZ_CHECK(back.has_value());
  FUZZ_CHECK(back->size() == args.size() + 1);
  FUZZ_CHECK((*back)[0] == program);
  for (std::size_t i = 0; i < args.size(); ++i) FUZZ_CHECK((*back)[i + 1] == args[i]);
  return 0;
}
