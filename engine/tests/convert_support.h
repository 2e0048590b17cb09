// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole conversions through the engine for the convert_* tests: test clips
// made with the ffmpeg tool, and one call that runs a file through the job's
// order of engine steps up to the release.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>


#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"

namespace converttest {

namespace fs = std::filesystem;

// The batch worker's formats (size kept small so the tests stay fast).
inline const enginetest::Format kAvi{"avi", 12, 2, 0, "avi", 320, 240, 2, 44100, 128000,
                                     "avi", "msmpeg4v2", "mp3"};
inline const enginetest::Format kFlv{"flv", 15, 2, 0, "flv", 320, 240, 2, 44100, 128000,
                                     "flv", "flv1", "mp3"};
inline const enginetest::Format kMp4{"mp4", 1, 1, 0, "mp4", 320, 240, 1, 44100, 128000,
                                     "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "aac"};
// MKV copy: no encoders; the streams are the source's.
inline const enginetest::Format kMkv{"mkv", 0, 0, 0, "mkv", 0, 0, 0, 0, 0, "matroska,webm", "", ""};
inline const enginetest::Format k3gp{"h263", 6, 5, 0, "3gp", 176, 144, 1, 8000, 12200,
                                     "mov,mp4,m4a,3gp,3g2,mj2", "h263", "amr_nb"};

// 320x240 MPEG-2 + MP2 48 kHz stereo in a transport stream at `fps`.
inline fs::path ts_clip(int fps, double seconds) {
  std::ostringstream name, args;
  name << "ts_" << fps << "fps_" << seconds << ".m2ts";
  args << "-f lavfi -i testsrc2=size=320x240:rate=" << fps << " -f lavfi -i sine=frequency=500:sample_rate=48000 "
       << "-t " << seconds << " -ac 2 -c:v mpeg2video -g 12 -b:v 1M -c:a mp2 -b:a 128k -f mpegts";
  return testsupport::cached_media(name.str(), args.str());
}

// Runs one file through the engine as the job does; false when no output
// or no input was registered.
inline bool run_engine_job(const fs::path& input, const enginetest::Format& format, const fs::path& output,
                           float fps = 25) {
  enginetest::fill_parameters(format, output, fps);
  enginetest::open_files(input);
  const auto& tables = enginetest::job().tables;
  const bool opened = tables.output_file_count > 0 && tables.input_file_count > 0;
  if (opened) engine::transcode(enginetest::job());
  engine::release_files(enginetest::job());
  return opened;
}

// Concatenates files byte for byte (transport streams stay readable).
inline void concatenate(const std::vector<fs::path>& parts, const fs::path& target) {
  std::ofstream out(target, std::ios::binary);
  for (const auto& part : parts) {
    std::ifstream in(part, std::ios::binary);
    out << in.rdbuf();
  }
}

}  // namespace converttest
