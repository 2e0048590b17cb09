// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/conversion_settings.h"

#include <cctype>
#include <charconv>
#include <limits>

namespace presets {

namespace {

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Skips leading blanks and one sign; returns whether the sign was '-'.
bool skip_blanks_and_sign(std::string_view& text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  return negative;
}

std::string lower_case(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

long long read_leading_integer(std::string_view text) {
  const bool negative = skip_blanks_and_sign(text);
  // Accumulate with saturation, as strtoll does on overflow.
  constexpr long long kMax = std::numeric_limits<long long>::max();
  long long value = 0;
  for (char c : text) {
    if (!is_digit(c)) break;
    const int digit = c - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}

float read_leading_float(std::string_view text) {
  const bool negative = skip_blanks_and_sign(text);
  // from_chars reads the plain decimal form without a sign and ignores the
  // locale; a leading '.' (".5") is accepted by strtod, so give it a 0.
  std::string digits(text);
  if (!digits.empty() && digits.front() == '.') digits.insert(digits.begin(), '0');
  float value = 0;
  const auto result =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) value = std::numeric_limits<float>::infinity();
  else if (result.ec != std::errc{}) value = 0;
  return negative ? -value : value;
}

ConversionSettings parse_conversion_settings(const ControlTexts& texts) {
  ConversionSettings s;
  s.format = lower_case(std::string_view(texts.format).substr(0, kMaxFieldText));

  const std::string_view size = texts.size;
  const auto x = size.find('x');
  s.width = static_cast<int>(read_leading_integer(size.substr(0, x)));
  s.height = x == std::string_view::npos ? 0 : static_cast<int>(read_leading_integer(size.substr(x + 1)));

  s.fps = read_leading_float(texts.fps);

  // The field takes digits only, but a restored settings text may still
  // carry a sign; a negative bit rate would only make the encoder fail, so it
  // reads as 0 (no rate given).
  long long kbits = read_leading_integer(std::string_view(texts.video_bitrate).substr(0, kMaxFieldText));
  if (kbits > kMaxVideoKbits) kbits = kMaxVideoKbits;
  if (kbits < 0) kbits = 0;
  s.video_bitrate = static_cast<int>(kbits) * 1000;

  long long audio = read_leading_integer(texts.audio_bitrate);
  if (audio > std::numeric_limits<int>::max() / 1000) audio = std::numeric_limits<int>::max() / 1000;
  if (audio < 0) audio = 0;
  s.audio_bitrate = static_cast<int>(audio) * 1000;

  s.aspect = texts.aspect == "4/3" ? 1 : 2;
  s.save_beside_source = texts.save_beside_source;
  s.output_folder = texts.output_folder;
  s.preview = texts.preview;
  s.deinterlace = texts.deinterlace;
  s.keep_recording_date = texts.keep_recording_date;
  return s;
}

}  // namespace presets
