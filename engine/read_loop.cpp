// SPDX-License-Identifier: GPL-3.0-or-later
// The main read loop of a transcode: picks the input whose output is furthest
// behind, reads one packet, repairs its timestamps, publishes the read
// position and hands the packet to the packet step. With one input (every
// job), reading, decoding and the picture stages run on a reader thread of
// the job's own while the job's thread encodes and writes what they give.
// The finish step drains decoders and encoders, writes the trailers, closes
// the codecs and releases the run; a cancelled conversion goes through it
// too, so its output is a complete file.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <new>
#include <system_error>
#include <thread>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/engine.h"
#include "engine/stream_copy.h"

namespace engine {

namespace {

constexpr int64_t kJumpLimitMicroseconds = 10000000;  // ten seconds
constexpr auto kTryAgainWait = std::chrono::milliseconds(10000);

// Errors of the storage under the source (a card pulled, a network share
// gone), as opposed to the end of the data or damage inside it, which end
// or skip reading as a damaged file always has.
bool source_failed(int ret) {
  return ret == AVERROR(EIO) || ret == AVERROR(ENXIO) || ret == AVERROR(ENODEV) || ret == AVERROR(ESTALE) ||
         ret == AVERROR(EBADF);
}

// How far an output stream has got, in seconds: frames emitted for video,
// the muxer's clock for the others.
double output_time(const OutputStream& ost) {
  if (ost.encoder && ost.encoder->context() && ost.encoder->context()->codec_type == AVMEDIA_TYPE_VIDEO)
    return static_cast<double>(ost.sync_pts) * av_q2d(ost.encoder->context()->time_base);
  const int64_t muxed = av_stream_get_end_pts(ost.stream);
  return muxed == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(muxed) * av_q2d(ost.stream->time_base);
}

// The input file to read next, or -1 when every readable file is at its end
// or waiting. A single input has nothing to weigh, and its choice reads no
// output clock (those belong to the encoding thread while a reader decodes).
int choose_file(const Run& run, const std::array<bool, kMaxFiles>& try_again) {
  if (run.files.size() == 1)
    return !run.files[0].eof_reached && !try_again[0] && !run.output_streams.empty() ? 0 : -1;
  int chosen = -1;
  double smallest = 1e100;
  for (const auto& ost : run.output_streams) {
    const InputStream& ist = *run.input_streams[ost->source_index];
    if (try_again[ist.file_index]) continue;
    const double time = output_time(*ost);
    if (!run.files[ist.file_index].eof_reached && time < smallest) {
      smallest = time;
      chosen = ist.file_index;
    }
  }
  return chosen;
}

void shift_packet(AVPacket* packet, int64_t microseconds, AVRational tb) {
  const int64_t shift = av_rescale_q(microseconds, AV_TIME_BASE_Q, tb);
  packet->dts -= shift;
  if (packet->pts != AV_NOPTS_VALUE) packet->pts -= shift;
}

// A jump of the shared timeline, measured by one stream of `file`: `delta`
// µs from where that stream (or, at its first packet, the file) was. A jump
// every stream makes (a recording resumed, a broadcast's clock reset) moves
// the file's offset. A jump only one stream makes is damage to that stream
// (a flipped bit in one timestamp): its packets are put back on its own
// clock and the others stay where they are, so that no damaged timestamp
// can stretch the output by minutes. A jump is taken as every stream's
// once a second stream makes the same one.
void take_jump(InputFileState& file, int64_t& offset, int ist_index, int64_t delta, AVPacket* packet,
               AVRational tb) {
  const bool confirmed = file.lone_jump != 0 && file.lone_jump_stream != ist_index &&
                         std::llabs(delta - file.lone_jump) <= kJumpLimitMicroseconds;
  if (confirmed) {
    offset -= delta;
    file.lone_jump = 0;
    file.lone_jump_stream = -1;
  } else {
    file.lone_jump = delta;
    file.lone_jump_stream = ist_index;
  }
  shift_packet(packet, delta, tb);
}

// Shifts the packet by its offset, and handles a jump of the input timeline
// (forward by more than ten seconds, or backwards) when the container
// allows discontinuous timestamps: a copied stream absorbs it into its own
// offset and goes on where its last picture ends (its packet shown its
// reordering delay after its decoding time), so that no picture lands among
// those still to be shown; decoded streams share the file's offset (see
// take_jump). A packet decoded after it is shown cannot be: its decoding
// time is the damaged one and becomes its presentation time.
void repair_timestamps(AVFormatContext* input, int64_t& offset, InputFileState& file, int ist_index,
                       const InputStream& ist, AVPacket* packet) {
  const AVRational tb = ist.stream->time_base;
  if (packet->dts != AV_NOPTS_VALUE && packet->pts != AV_NOPTS_VALUE && packet->dts > packet->pts)
    packet->dts = packet->pts;
  if (packet->dts != AV_NOPTS_VALUE) packet->dts += av_rescale_q(offset, AV_TIME_BASE_Q, tb);
  if (packet->pts != AV_NOPTS_VALUE) packet->pts += av_rescale_q(offset, AV_TIME_BASE_Q, tb);
  // A decoding and a presentation time further apart than a jump cannot
  // both be right (a picture waits a few frames at most): the one further
  // from the stream's clock is damaged and takes the other's value, so that
  // it moves neither the stream's offset nor the output's end.
  if (packet->dts != AV_NOPTS_VALUE && packet->pts != AV_NOPTS_VALUE && ist.next_pts != AV_NOPTS_VALUE) {
    const int64_t pts_us = av_rescale_q(packet->pts, tb, AV_TIME_BASE_Q);
    const int64_t decode_us = av_rescale_q(packet->dts, tb, AV_TIME_BASE_Q);
    if (std::llabs(pts_us - decode_us) > kJumpLimitMicroseconds) {
      if (std::llabs(pts_us - ist.next_pts) < std::llabs(decode_us - ist.next_pts)) packet->dts = packet->pts;
      else packet->pts = packet->dts;
    }
  }

  if (packet->dts == AV_NOPTS_VALUE || !(input->iformat->flags & AVFMT_TS_DISCONT)) return;
  const int64_t dts_us = av_rescale_q(packet->dts, tb, AV_TIME_BASE_Q);
  if (ist.copied) {
    if (ist.next_pts == AV_NOPTS_VALUE) return;
    int64_t delta = dts_us - ist.next_pts;
    if (std::llabs(delta) <= kJumpLimitMicroseconds && dts_us + 1 >= ist.pts) return;
    if (ist.copy_end_pts != AV_NOPTS_VALUE) {
      const int64_t shown_after =
          packet->pts != AV_NOPTS_VALUE ? av_rescale_q(packet->pts - packet->dts, tb, AV_TIME_BASE_Q) : 0;
      delta = dts_us - std::max(ist.next_pts, ist.copy_end_pts - shown_after);
    }
    offset -= delta;
    shift_packet(packet, delta, tb);
    return;
  }
  // A stream's first packet is measured against the file's clock (its
  // start, 0, before any packet).
  const bool started = ist.next_pts != AV_NOPTS_VALUE;
  const int64_t expected = started ? ist.next_pts : (file.last_dts != AV_NOPTS_VALUE ? file.last_dts : 0);
  const int64_t delta = dts_us - expected;
  const bool jump = std::llabs(delta) > kJumpLimitMicroseconds || (started && dts_us + 1 < ist.pts);
  // A stream that was silent for a while (sound paused in a broadcast)
  // comes back where the file is: no jump of the timeline.
  const bool with_file = file.last_dts != AV_NOPTS_VALUE && std::llabs(dts_us - file.last_dts) <= kJumpLimitMicroseconds;
  if (jump && !(started && with_file && dts_us + 1 >= ist.pts)) {
    take_jump(file, offset, ist_index, delta, packet, tb);
  } else if (file.lone_jump_stream == ist_index) {
    file.lone_jump = 0;  // the stream is back on the file's timeline
    file.lone_jump_stream = -1;
  }
  file.last_dts = av_rescale_q(packet->dts, tb, AV_TIME_BASE_Q);
}

void publish_position(Job& job, const AVPacket* packet) {
  auto& position = job.counters.progress_position;
  if (packet->pos > position.load(std::memory_order_relaxed))
    position.store(packet->pos, std::memory_order_relaxed);
}

// Waits before asking inputs that answered "try again" once more; a cancel
// ends the wait early.
void wait_for_input(const Job& job) {
  const auto until = std::chrono::steady_clock::now() + kTryAgainWait;
  while (!stop_asked(job) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// Whether reading is to end: Cancel, or (a write failed) the output is
// incomplete and would only be removed.
bool reading_ends(const Job& job, const Run& run) {
  if (stop_asked(job)) return true;
  return run.ahead ? run.ahead->reading_stopped() : static_cast<bool>(job.error);
}

// The source failed under the reader: the job's error, recorded by the job's
// thread (at once, or once the reader has ended).
void note_read_error(Job& job, Run& run, int ret) {
  if (!run.ahead) note_error(job, Stage::read_input, ret);
  else if (!run.ahead->read_error) run.ahead->read_error = ret;
}

// Reads, repairs and decodes every packet until the inputs end or reading
// is to end, then drains the decoders.
void read_and_decode(Job& job, Run& run) {
  auto& tables = job.tables;
  std::array<bool, kMaxFiles> try_again{};
  int try_again_count = 0;
  PacketPtr packet(av_packet_alloc());

  while (packet && !reading_ends(job, run)) {
    const int file = choose_file(run, try_again);
    if (file < 0) {
      if (try_again_count <= 0) break;
      try_again.fill(false);
      try_again_count = 0;
      wait_for_input(job);
      continue;
    }

    AVFormatContext* input = tables.input_files[file]->context.get();
    const int ret = av_read_frame(input, packet.get());
    if (ret == AVERROR(EAGAIN)) {
      try_again[file] = true;
      ++try_again_count;
      continue;
    }
    if (ret < 0) {
      if (source_failed(ret)) note_read_error(job, run, ret);
      run.files[file].eof_reached = 1;
      continue;
    }
    try_again_count = 0;
    try_again.fill(false);

    const InputFileState& info = run.files[file];
    if (packet->stream_index >= info.stream_count) {
      av_packet_unref(packet.get());
      continue;
    }
    const int ist_index = info.first_stream + packet->stream_index;
    InputStream& ist = *run.input_streams[ist_index];
    if (ist.discard) {
      av_packet_unref(packet.get());
      continue;
    }
    ++ist.packets_read;

    // A copy keeps an offset per stream: the demuxer hands out the last
    // sound before a jump after the first picture behind it, which would
    // throw a shared offset back and forth.
    int64_t& offset = job.spec.copy != StreamCopy::none ? ist.ts_offset : tables.input_ts_offsets[file];
    repair_timestamps(input, offset, run.files[file], ist_index, ist, packet.get());
    publish_position(job, packet.get());
    if (ist.copied) copy_input_packet(job, run, ist, ist_index, packet.get());
    // A packet the step cannot take is lost; the loop goes on with the next.
    if (ist.decoding_needed) process_input_packet(job, run, ist, ist_index, packet.get());
    av_packet_unref(packet.get());
  }

  for (size_t i = 0; i < run.input_streams.size(); ++i) {
    InputStream& ist = *run.input_streams[i];
    if (ist.decoding_needed) process_input_packet(job, run, ist, static_cast<int>(i), nullptr);
  }
}

// Decoded pictures (and pieces in all) that may wait between the reader and
// the encoders: enough to keep both busy, few enough that a job's memory
// stays near the single-threaded conversion's.
constexpr int kPicturesAhead = 2;
constexpr int kPiecesAhead = 48;

// The job's thread encodes what a reader thread of its own decodes. False
// when the thread could not be started; the caller then does both.
bool read_on_reader_thread(Job& job, Run& run) {
  DecodeAhead ahead(kPicturesAhead, kPiecesAhead);
  run.ahead = &ahead;
  std::thread reader;
  try {
    reader = std::thread([&] {
      try {
        read_and_decode(job, run);
      } catch (const std::bad_alloc&) {
        if (!ahead.read_error) ahead.read_error = AVERROR(ENOMEM);
      }
      ahead.close();
    });
  } catch (const std::system_error&) {
    run.ahead = nullptr;
    return false;
  }
  // Should the encoding side leave by an exception, the reader is stopped
  // and waited for first: it must not outlive the run it reads into.
  struct Joiner {
    DecodeAhead& ahead;
    std::thread& reader;
    ~Joiner() {
      if (!reader.joinable()) return;
      ahead.stop_reading();
      for (Decoded rest; ahead.pop(rest);) {
      }
      reader.join();
    }
  } joiner{ahead, reader};

  for (Decoded item; ahead.pop(item);) {
    encode_decoded(job, run, item);
    item = Decoded{};
    if (job.error) ahead.stop_reading();
  }
  reader.join();
  run.ahead = nullptr;
  if (ahead.read_error) note_error(job, Stage::read_input, ahead.read_error);
  return true;
}

// Decoding ahead pays when the work is one input; the weighing of several
// inputs against their outputs' clocks needs both sides on one thread.
bool decodes_ahead(const Run& run) { return run.files.size() == 1; }

// A transport stream whose size is no whole number of its packets was cut
// off (a copy that stopped, a card pulled out): what it holds is converted,
// and the job says how far it got. Called once reading has ended.
void note_early_end(Job& job, const Run& run) {
  if (run.files.size() != 1 || !run.files[0].eof_reached || stop_asked(job)) return;
  AVFormatContext* input = job.tables.input_files[0]->context.get();
  int64_t packet_size = 0;
  if (!input->pb || av_opt_get_int(input, "ts_packetsize", AV_OPT_SEARCH_CHILDREN, &packet_size) < 0 ||
      packet_size <= 0)
    return;
  const int64_t size = avio_size(input->pb);
  if (size <= 0 || size % packet_size == 0) return;
  int64_t end = 0;
  for (const auto& ist : run.input_streams)
    if (!ist->discard) end = std::max(end, ist->next_pts == AV_NOPTS_VALUE ? ist->pts : ist->next_pts);
  job.ends_early_at = static_cast<double>(end) / 1000000.0;
}

// Seconds an output stream's packets reach on the output's timeline: the
// frames or samples emitted when encoded, the end of the last packet when
// copied (picture and sound; a subtitle's display time is no content).
double written_seconds(const OutputStream& ost) {
  if (!ost.stream_copy)
    return ost.encoder && ost.encoder->context()
               ? static_cast<double>(ost.sync_pts) * av_q2d(ost.encoder->context()->time_base)
               : 0.0;
  const AVMediaType type = ost.stream->codecpar->codec_type;
  if ((type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) || ost.written_end == AV_NOPTS_VALUE) return 0.0;
  return static_cast<double>(ost.written_end) * av_q2d(ost.stream->time_base);
}

// The output may last no longer than what was read, and a second more: a
// timestamp no repair could place would otherwise leave minutes of repeated
// pictures or silence behind a short source. Jumps every stream made count
// as content (the offset took them); a damaged one counts as nothing. Such
// an output is no result. Called once reading and encoding have ended.
void check_output_length(Job& job, const Run& run) {
  if (stop_asked(job) || job.error) return;
  int64_t read = 0;  // µs on the repaired timeline, which starts at 0
  for (const auto& ist : run.input_streams)
    if (!ist->discard && ist->next_pts != AV_NOPTS_VALUE) read = std::max(read, ist->next_pts);
  double written = 0;  // seconds
  for (const auto& ost : run.output_streams) written = std::max(written, written_seconds(*ost));
  if (written > static_cast<double>(read) / 1000000.0 + 1.0) note_error(job, Stage::read_input, AVERROR_INVALIDDATA);
}

// A converted file has every stream it was set up with: a picture or sound
// stream that got not one packet although its source stream had some (none
// of them decoded, or what did was lost on the way) fails the job and says
// which. A source stream without a single packet (a broadcast capture cut
// to a few kilobytes) leaves its stream empty, as it is in the source, and
// so does a copy; a file that got nothing at all fails as unreadable
// (convert). Called once reading and encoding have ended.
void check_streams_written(Job& job, const Run& run) {
  if (stop_asked(job) || job.error || job.packets_written == 0) return;
  for (const auto& ost : run.output_streams) {
    if (ost->stream_copy || ost->packets > 0 || run.input_streams[ost->source_index]->packets_read == 0) continue;
    const AVMediaType type = ost->stream->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO) note_error(job, Stage::video_missing, AVERROR_STREAM_NOT_FOUND);
    else if (type == AVMEDIA_TYPE_AUDIO) note_error(job, Stage::sound_missing, AVERROR_STREAM_NOT_FOUND);
  }
}

void finish(Job& job, Run& run) {
  auto& tables = job.tables;
  for (int i = 0; i < tables.output_file_count; ++i) {
    const int written = av_write_trailer(tables.output_files[i]->context.get());
    if (written < 0) note_error(job, Stage::write_trailer, written);
  }
  close_run_codecs(job, run);
  release_run(run);
}

}  // namespace

int run_read_loop(Job& job, Run& run) {
  if (!decodes_ahead(run) || !read_on_reader_thread(job, run)) read_and_decode(job, run);
  note_early_end(job, run);
  check_output_length(job, run);
  check_streams_written(job, run);
  finish(job, run);
  return 0;
}

}  // namespace engine
