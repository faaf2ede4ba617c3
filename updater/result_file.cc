#include "result_file.h"

#include "file_io.h"
#include "run_log.h"
#include "win_common/hex.h"
#include "win_common/utf.h"

namespace updater {
namespace {

bool starts_with_two_backslashes(std::string_view p) {
  return p.size() >= 2 && p[0] == '\\' && p[1] == '\\';
}

bool is_verbatim(std::string_view p) { return p.starts_with("\\\\?\\"); }

// Length of the end of the component that starts at `from` ('\\' only).
std::size_t component_end(std::string_view p, std::size_t from) {
  const std::size_t end = p.find('\\', from);
  return end == std::string_view::npos ? p.size() : end;
}

// Length of a Windows path prefix: "C:", "\\server\share",
// "\\?\C:", "\\?\UNC\server\share", "\\?\name" or "\\.\device".
std::size_t prefix_length(std::string_view p) {
  const bool drive = p.size() >= 2 && p[1] == ':' &&
                     ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
  if (drive) return 2;
  if (!starts_with_two_backslashes(p)) return 0;
  if (is_verbatim(p) || p.starts_with("\\\\.\\")) {
    const std::string_view rest = p.substr(4);
    if (rest.size() >= 2 && rest[1] == ':') return 6;
    if (is_verbatim(p) && rest.starts_with("UNC\\")) {
      const std::size_t server_end = component_end(p, 8);
      return server_end < p.size() ? component_end(p, server_end + 1) : server_end;
    }
    return component_end(p, 4);
  }
  const std::size_t server_end = component_end(p, 2);
  return server_end < p.size() ? component_end(p, server_end + 1) : server_end;
}

}  // namespace

std::string result_file_path(std::string_view log_path) {
  const bool verbatim = is_verbatim(log_path);
  const auto is_sep = [verbatim](char c) { return c == '\\' || (!verbatim && c == '/'); };

  const std::size_t prefix = prefix_length(log_path);
  std::size_t root_end = prefix;
  if (root_end < log_path.size() && is_sep(log_path[root_end])) ++root_end;
  const bool anchored = root_end > 0;

  // Trailing separators and "." components name nothing.
  const auto trim_tail = [&](std::string_view body) {
    for (;;) {
      if (!body.empty() && is_sep(body.back())) {
        body.remove_suffix(1);
      } else if (body.size() >= 2 && body.back() == '.' && is_sep(body[body.size() - 2])) {
        body.remove_suffix(1);
      } else if (body == "." && anchored) {
        body = {};
      } else {
        return body;
      }
    }
  };

  const std::string_view body = trim_tail(log_path.substr(root_end));
  std::size_t name_start = body.size();
  while (name_start > 0 && !is_sep(body[name_start - 1])) --name_start;
  const std::string_view name = body.substr(name_start);

  std::string base;
  if (name.empty() || name == "." || name == "..") {
    base = log_path;  // no file name: append to the path unchanged
  } else {
    base = log_path.substr(0, root_end);
    base += trim_tail(body.substr(0, name_start));
  }

  const bool drive_only = prefix == 2 && base.size() == 2;
  if (!base.empty() && !is_sep(base.back()) && !drive_only) base += '\\';
  base += kResultFileName;
  return base;
}

std::string json_string(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (std::size_t at = 0; at < text.size();) {
    const win_common::Utf8Char character = win_common::decode_utf8(text, at);
    const char c = text[at];
    const auto u = static_cast<unsigned char>(c);
    if (!character.valid) {
      // Bytes that are not UTF-8 have no place in JSON text.
      out += "\xEF\xBF\xBD";  // U+FFFD
    } else if (character.length > 1) {
      out += text.substr(at, character.length);
    } else {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\b':
          out += "\\b";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\f':
          out += "\\f";
          break;
        case '\r':
          out += "\\r";
          break;
        default:
          if (u < 0x20) {
            out += "\\u00";
            out += win_common::hex_digit(u >> 4, false);
            out += win_common::hex_digit(u, false);
          } else {
            out += c;
          }
      }
    }
    at += character.length;
  }
  out += '"';
  return out;
}

std::string update_result_json(std::string_view at, const UpdateOutcome& outcome) {
  std::string out = "{\"at\":";
  out += json_string(at);
  out += ",\"detail\":";
  out += json_string(outcome.text);
  out += ",\"ok\":";
  out += outcome.ok ? "true" : "false";
  out += '}';
  return out;
}

void write_update_result(std::string_view log_path, const UpdateOutcome& outcome) {
  replace_file(result_file_path(log_path), update_result_json(timestamp_text(), outcome));
}

}  // namespace updater
