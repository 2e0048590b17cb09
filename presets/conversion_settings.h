// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user's choices in the form the batch worker takes them when a file
// starts, and the pure rules that read them from the controls' texts.

#include <string>
#include <string_view>

namespace presets {

// The controls' state as shown: the selected entries' texts, the video bit
// rate field's text, the save mode, the output folder field and the preview
// box.
struct ControlTexts {
  std::string format;         // 1013
  std::string size;           // 1015, "WIDTHxHEIGHT"
  std::string aspect;         // 1017
  std::string fps;            // 1021
  std::string video_bitrate;  // 1023, kbit/s
  std::string audio_bitrate;  // 1018, kbit/s
  bool save_beside_source = true;  // 1008 selected
  std::string output_folder;  // 1010
  bool preview = false;       // 1025
  bool deinterlace = true;    // 1032
  bool keep_recording_date = true;  // 1033
};

struct ConversionSettings {
  std::string format;           // lower-cased format entry: "avi", "h.263", "mpg2", ...
  int width = 0;                // pixels; 0 (and height 0): "Source", the source's size
  int height = 0;               // pixels
  float fps = 0;                // frames per second as listed (29.97); 0: "Source", the source's
  int video_bitrate = 0;        // bit/s, at most 19 000 000
  int audio_bitrate = 0;        // bit/s
  int aspect = 2;               // 1 for exactly "4/3", otherwise 2
  bool save_beside_source = true;
  std::string output_folder;
  bool preview = false;
  bool deinterlace = true;          // interlaced pictures through the deinterlacer
  bool keep_recording_date = true;  // outputs carry the source's recording time
};

constexpr int kMaxVideoKbits = 19000;  // the video bit rate field is capped here
constexpr std::size_t kMaxFieldText = 19;  // longest text read from a field or list

ConversionSettings parse_conversion_settings(const ControlTexts& texts);

// Leading-number readers with the rules of a C string-to-number conversion:
// leading blanks and one sign allowed, reading stops at the first character
// that cannot continue the number, no leading number reads as 0. Independent
// of the process locale, so "29.97" always reads as 29.97.
long long read_leading_integer(std::string_view text);
float read_leading_float(std::string_view text);

}  // namespace presets
