// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The copy formats. Which streams of the source's first program an output
// carries over bit for bit, which it converts (sound MP4 should not hold as
// it is, PCM Matroska refuses) and which it leaves out (named in the job's
// notes); and the way a copied packet goes from the demuxer to the muxer,
// its timestamps filled in where missing and rising as the container needs.

#include "engine/state.h"

namespace engine {

// create_output_file's streams for a copy format: one output stream per
// kept stream, with its plan. False, with the job's error set, when the
// container cannot hold the source's video (nothing is created then).
bool add_copy_streams(Job& job, OutputFile& output);

// Transcode setup: the muxer stream of a copied output stream takes the
// parameters of its source.
int prepare_copied_stream(const AVFormatContext* output, OutputStream& ost, const InputStream& ist);

// The thread that reads: a packet of an input stream that output streams
// copy. Keeps its clock, counts its pictures, shows one key picture in ten
// in the preview, and hands it on to each output stream that copies it.
void copy_input_packet(Job& job, Run& run, InputStream& ist, int ist_index, const AVPacket* packet);

// The job's thread: one copied packet (its input stream's time base) into
// the muxer. A video starts at its first key picture.
void write_copied_packet(Job& job, AVFormatContext* output, OutputStream& ost, const InputStream& ist,
                         AVPacket* packet);

}  // namespace engine
