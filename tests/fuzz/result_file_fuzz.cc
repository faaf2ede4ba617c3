// Any detail text and time: the result file is one compact JSON object with
// exactly "at", "detail" and "ok", in that order, and the detail parsed
// back is the text (bytes that are not UTF-8 come back as U+FFFD). A JSON
// library reads it; written out again compactly it gives the same bytes.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "result_file.h"
#include "utf_text.h"
#include "win_common/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view detail(reinterpret_cast<const char*>(data), size);
  std::uint64_t seconds = 0;
  std::memcpy(&seconds, data, std::min(size, sizeof seconds));
  const std::string at = "t=" + std::to_string(seconds);
  const bool ok = size % 2 == 1;

  const std::string bytes = updater::update_result_json(at, {ok, std::string(detail)});
  const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(bytes, nullptr, false);
  FUZZ_CHECK(!parsed.is_discarded());
  FUZZ_CHECK(parsed.is_object() && parsed.size() == 3);
  auto member = parsed.begin();
  FUZZ_CHECK(member.key() == "at" && member->is_string() && *member == at);
  ++member;
  FUZZ_CHECK(member.key() == "detail" && member->is_string());
  const std::string want = fuzz::valid_utf8(detail)
                               ? std::string(detail)
                               : win_common::utf16_to_utf8(win_common::utf8_to_utf16(detail));
  FUZZ_CHECK(member->get<std::string>() == want);
  ++member;
  FUZZ_CHECK(member.key() == "ok" && member->is_boolean() && *member == ok);
  FUZZ_CHECK(parsed.dump() == bytes);
  return 0;
}
