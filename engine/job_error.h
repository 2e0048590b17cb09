// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The first error of the running job: the step where it happened and the
// library's code. Later errors of the same job are consequences of the
// first and are not kept; the job turns the record into its outcome once,
// at its end.

namespace engine {

enum class Stage {
  none,
  source,          // the source file before opening (missing, not a regular file)
  open_input,      // probing and opening the source
  create_output,   // choosing the container and creating the file
  copy_video,      // the container cannot hold the source's video as it is
  setup,           // stream pairing, scalers, resamplers, buffers
  open_encoder,
  open_decoder,
  write_header,
  read_input,      // reading the source during the conversion
  write_packet,
  write_trailer,
  close_output,    // the last bytes reaching the file, and closing it
  output_deleted,  // the finished file was deleted (with its folder) while it was written
  output_moved,    // the finished file is no longer at its name: moved while it was written
  video_missing,   // the finished file got no picture of the video stream it was set up with
  sound_missing,   // the same for its sound stream
};

struct JobError {
  Stage stage = Stage::none;
  int code = 0;  // AVERROR value; system errors are AVERROR(errno)
  explicit operator bool() const { return stage != Stage::none; }
};

// "writing the trailer", ...: the stage as a reason's context.
const char* stage_name(Stage stage);

struct Job;

// Keeps `code` as the job's error unless an earlier one is kept already.
void note_error(Job& job, Stage stage, int code);

}  // namespace engine
