// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Picture and sound together: a clip with a white flash and a beep at the
// same moments, and the measure of how far apart the two land in a file made
// from it, as a viewer would see and hear them.

#include <filesystem>
#include <string>

namespace testsupport {

struct FlashBeepSource {
  int width = 1920, height = 1080;
  const char* rate = "30000/1001";  // pictures per second, as the ffmpeg tool reads it
  bool interlaced = true;           // coded as top-field-first fields, as a camcorder does
  bool h264 = true;                 // H.264, else MPEG-2
  double audio_lead = 0;            // seconds the sound starts before the picture
  double seconds = 4;
};

// A transport stream (192-byte packets) of black pictures with one white
// picture and a 40 ms 1 kHz beep (AC-3, 48 kHz stereo) once a second (every
// round(rate) pictures), half a second in and then every period after.
std::filesystem::path flash_beep_clip(const FlashBeepSource& source);

struct AvOffset {
  int pairs = 0;        // flashes with a beep within 0.4 s of them
  double seconds = 0;   // mean of beep time minus flash time: above 0 the picture comes early
  std::string error;    // why nothing could be measured; empty when pairs > 0
};

// Decodes the first video and audio stream of `file` and pairs each flash
// (a picture whose mean brightness jumps above the midpoint of the darkest
// and brightest) with the nearest beep onset (the first sample above a third
// of the loudest), each at its presentation time in the file.
AvOffset measure_av_offset(const std::filesystem::path& file);

}  // namespace testsupport
