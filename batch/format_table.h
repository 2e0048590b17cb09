#pragma once
// The output formats the window offers, with the codecs, container target,
// file extension and audio channel count each one stands for.

#include <string_view>

namespace batch {

struct FormatChoice {
  const char* format;       // lower-cased entry of the format list
  const char* extension;    // output file extension
  int video_codec_choice;   // engine video codec choice
  int audio_codec_choice;   // engine audio codec choice
  int output_target;        // 0: container from the extension; 7: DVD (8 for 720x480, set by the job setup)
  int channels;             // audio channels of the output
};

// The row for a lower-case format text, or null when no row matches.
const FormatChoice* format_choice(std::string_view lower_case_format);

}  // namespace batch
