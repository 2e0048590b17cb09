// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/job_error.h"

#include "engine/state.h"

namespace engine {

const char* stage_name(Stage stage) {
  switch (stage) {
    case Stage::none: return "";
    case Stage::source: return "opening the source";
    case Stage::open_input: return "reading the source's format";
    case Stage::create_output: return "creating the output file";
    case Stage::copy_video: return "copying the video";
    case Stage::setup: return "setting up the conversion";
    case Stage::open_encoder: return "opening the encoder";
    case Stage::open_decoder: return "opening the decoder";
    case Stage::write_header: return "writing the file header";
    case Stage::read_input: return "reading the source";
    case Stage::write_packet: return "writing the file";
    case Stage::write_trailer: return "finishing the file";
    case Stage::close_output: return "closing the file";
    case Stage::output_deleted:
    case Stage::output_moved:
    case Stage::video_missing:
    case Stage::sound_missing: return "checking the finished file";
  }
  return "";
}

void note_error(Job& job, Stage stage, int code) {
  if (job.error || stage == Stage::none) return;
  job.error.stage = stage;
  job.error.code = code;
}

}  // namespace engine
