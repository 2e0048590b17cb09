// SPDX-License-Identifier: GPL-3.0-or-later
// The setup half of transcode: run tables, stream pairing, per-stream
// conversion work, encoders and decoders opened, headers written; then the
// main read loop.
#include <cstring>

#include "engine/engine.h"
#include "engine/setup_steps.h"
#include "engine/signals.h"
#include "engine/stream_copy.h"

namespace engine {

namespace {

// Ends a failed setup: closes whatever was opened and frees the run.
int fail(Job& job, Run& run, int result) {
  close_run_codecs(job, run);
  release_run(run);
  return result;
}

// The encoder's stream-level facts the muxer reads from the stream, such as
// the VBV buffer size the MPEG muxers size their buffers by.
int copy_coded_side_data(const AVCodecContext* c, AVStream* st) {
  for (int i = 0; i < c->nb_coded_side_data; ++i) {
    const AVPacketSideData& sd = c->coded_side_data[i];
    uint8_t* data = av_stream_new_side_data(st, sd.type, sd.size);
    if (!data) return AVERROR(ENOMEM);
    std::memcpy(data, sd.data, sd.size);
  }
  return 0;
}

}  // namespace

int transcode(Job& job) {
  auto& t = job.tables;
  Run run;

  // 1-4. Run tables, stream pairing, per output stream preparation.
  const int built = build_run_tables(job, run);
  if (built != 0) {
    // An output with no stream, or a stream with no source: nothing of the
    // file can be converted.
    note_error(job, Stage::setup, AVERROR_STREAM_NOT_FOUND);
    return fail(job, run, built > 0 ? 0 : -1);
  }
  if (prepare_output_streams(job, run) < 0) {
    note_error(job, Stage::setup, AVERROR(EINVAL));
    return fail(job, run, -1);
  }

  // 6. Encoders, then the stream parameters the muxer needs from them; a
  // copied stream takes its source's.
  for (size_t i = 0; i < run.output_streams.size(); ++i) {
    OutputStream& ost = *run.output_streams[i];
    if (ost.stream_copy) {
      const AVFormatContext* output = t.output_files[ost.file_index]->context.get();
      if (const int copied = prepare_copied_stream(output, ost, *run.input_streams[ost.source_index]); copied < 0) {
        note_error(job, Stage::setup, copied);
        return fail(job, run, -1);
      }
      continue;
    }
    AVCodecContext* c = ost.encoder->context();
    const EncoderDescriptor* d =
        static_cast<int>(i) < t.output_codec_count && t.output_codecs[i] ? t.output_codecs[i] : find_encoder(c->codec_id);
    if (!d) {
      note_error(job, Stage::open_encoder, AVERROR_ENCODER_NOT_FOUND);
      return fail(job, run, -1);
    }
    if (const int opened = ost.encoder->open(d); opened < 0) {
      note_alert(job, JobAlert::encoder_refused, Stage::open_encoder, opened);
      return fail(job, run, -1);
    }
    if (avcodec_parameters_from_context(ost.stream->codecpar, c) < 0 || copy_coded_side_data(c, ost.stream) < 0) {
      note_error(job, Stage::open_encoder, AVERROR(ENOMEM));
      return fail(job, run, -1);
    }
    ost.stream->time_base = c->time_base;
  }

  // 7. Decoders.
  for (size_t i = 0; i < run.input_streams.size(); ++i) {
    InputStream& ist = *run.input_streams[i];
    if (!ist.decoding_needed) continue;
    const AVCodec* codec = static_cast<int>(i) < t.input_codec_count && t.input_codecs[i]
                               ? t.input_codecs[i]
                               : avcodec_find_decoder(ist.stream->codecpar->codec_id);
    const int opened = codec && ist.decoder ? avcodec_open2(ist.decoder, codec, nullptr) : AVERROR_DECODER_NOT_FOUND;
    if (opened < 0) {
      note_error(job, Stage::open_decoder, opened);
      return fail(job, run, -1);
    }
  }

  // 8. Timestamps.
  for (auto& ist : run.input_streams) {
    ist->ts_offset = t.input_ts_offsets[ist->file_index];
    ist->pts = 0;
    ist->dispatch_pts = 0;
    ist->next_pts = AV_NOPTS_VALUE;
    ist->is_start = 1;
  }

  // 9. Headers; the MPEG muxers take their private options ("muxrate",
  // "preload") here.
  for (int f = 0; f < t.output_file_count; ++f) {
    OutputFile& out = *t.output_files[f];
    AVDictionary* options = nullptr;
    av_dict_copy(&options, out.muxer_options, 0);
    const int result = avformat_write_header(out.context.get(), &options);
    av_dict_free(&options);
    if (result < 0) {
      note_error(job, Stage::write_header, result);
      return fail(job, run, AVERROR(EINVAL));
    }
  }

  // 10. Reporting and signals, then the read loop.
  for (int f = 0; f < t.output_file_count; ++f) {
    AVFormatContext* oc = t.output_files[f]->context.get();
    av_dump_format(oc, f, oc->url, 1);
  }
  begin_conversion_signals();
  const int result = run_read_loop(job, run);
  // 11. The loop's finish step released the run; this covers a loop that
  // returned early.
  close_run_codecs(job, run);
  release_run(run);
  end_conversion_signals();
  return result;
}

}  // namespace engine
