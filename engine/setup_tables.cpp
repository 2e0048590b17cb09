// SPDX-License-Identifier: GPL-3.0-or-later
// Steps 1 to 4 of the transcode setup: run tables, stream pairing and the
// conversion work each output stream needs.
#include <algorithm>
#include <climits>

#include "engine/engine.h"
#include "engine/scaler.h"
#include "engine/setup_steps.h"

namespace engine {

namespace {

AVMediaType media_type(const InputStream& ist) { return ist.stream->codecpar->codec_type; }

// Whether the stream says what it carries: pictures with a size, sound with
// channels and a rate. A broadcast capture can list a programme's video
// twice, once without a single decodable picture.
bool has_shape(const InputStream& ist) {
  const AVCodecParameters* par = ist.stream->codecpar;
  switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO: return par->width > 0 && par->height > 0;
    case AVMEDIA_TYPE_AUDIO: return par->ch_layout.nb_channels > 0 && par->sample_rate > 0;
    default: return true;
  }
}

// Step 3: the source of an output stream of `type`: the first input stream
// of that type not yet taken, else the last one of that type (shared).
// Streams with a shape come before those without.
int choose_source(const Run& run, AVMediaType type) {
  int free = -1, last = -1, free_shaped = -1, last_shaped = -1;
  for (int i = 0; i < static_cast<int>(run.input_streams.size()); ++i) {
    const InputStream& ist = *run.input_streams[i];
    if (media_type(ist) != type) continue;
    const bool shaped = has_shape(ist);
    if (ist.discard && free < 0) free = i;
    if (ist.discard && shaped && free_shaped < 0) free_shaped = i;
    last = i;
    if (shaped) last_shaped = i;
  }
  for (int chosen : {free_shaped, last_shaped, free, last})
    if (chosen >= 0) return chosen;
  return -1;
}

// How many output frames one picture of the source stands for: the output
// rate over the source's (its average rate; twice that where each field
// becomes a picture). 1 when the source does not say.
double picture_frames(const Job& job, const InputStream& ist, const AVCodecContext* c) {
  const AVStream* st = ist.stream;
  AVRational rate = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0 ? st->avg_frame_rate : st->r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0 || c->time_base.num <= 0 || c->time_base.den <= 0) return 1;
  if (job.spec.deinterlace && job.settings.per_field) rate = av_mul_q(rate, {2, 1});
  const double frames = 1.0 / (av_q2d(rate) * av_q2d(c->time_base));
  return frames > 0.01 && frames < 100 ? frames : 1;
}

// Step 4 for one output stream; -1 fails the setup.
int prepare_output_stream(Job& job, OutputStream& ost, InputStream& ist) {
  AVCodecContext* c = ost.encoder->context();
  const AVCodecContext* src = ist.decoder;
  if (!c || !src) return -1;
  const AVDictionaryEntry* lang = av_dict_get(ist.stream->metadata, "language", nullptr, 0);
  if (lang && !av_dict_get(ost.stream->metadata, "language", nullptr, 0))
    av_dict_set(&ost.stream->metadata, "language", lang->value, 0);
  // A copied stream needs no conversion work: its packets pass as they are.
  if (ost.stream_copy) {
    ist.copied = true;
    return 0;
  }
  c->bits_per_raw_sample = src->bits_per_raw_sample;

  switch (c->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      ost.audio_fifo.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, 1024));
      if (!ost.audio_fifo) return -1;
      ost.sample_format_pair = {-1, -1};
      // Rate or channel count changes both go through the resampler: the
      // decoders no longer down-mix on request.
      ost.audio_resample_needed =
          c->sample_rate != src->sample_rate || c->ch_layout.nb_channels != src->ch_layout.nb_channels;
      break;
    case AVMEDIA_TYPE_VIDEO: {
      // A source whose first pictures cannot be decoded (a part that begins
      // mid-GOP) has no size or format yet: its scaler is made from the
      // first picture that decodes, as for a stream that changes size.
      const bool shaped = src->width > 0 && src->height > 0 && src->pix_fmt != AV_PIX_FMT_NONE;
      ost.rescale_needed =
          shaped && (c->width != src->width || c->height != src->height || c->pix_fmt != src->pix_fmt);
      PictureStage& stage = ost.pictures;
      stage.target = {c->width, c->height, c->pix_fmt};
      stage.target_strides = encoder_strides(c);
      stage.scaled_source = {src->width, src->height, src->pix_fmt};
      stage.picture_frames = picture_frames(job, ist, c);
      if (ost.rescale_needed) {
        stage.scaler = make_scaler(stage.scaled_source, stage.target, job.settings.scaler_flags);
        if (!stage.scaler) {
          note_alert(job, JobAlert::no_scaler, Stage::setup, AVERROR(EINVAL));
          return -1;
        }
      }
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE: break;
    default: return -1;
  }
  ist.decoding_needed = 1;
  return 0;
}

}  // namespace

int build_run_tables(Job& job, Run& run) {
  auto& t = job.tables;
  // 1. Input tables, in file order then stream order.
  for (int f = 0; f < t.input_file_count; ++f) {
    InputFile& in = *t.input_files[f];
    InputFileState fs;
    fs.first_stream = static_cast<int>(run.input_streams.size());
    fs.stream_count = static_cast<int>(in.context->nb_streams);
    run.files.push_back(fs);
    for (int s = 0; s < fs.stream_count; ++s) {
      auto ist = std::make_unique<InputStream>();
      ist->file_index = f;
      ist->stream_index = s;
      ist->stream = in.context->streams[s];
      ist->decoder = s < static_cast<int>(in.decoders.size()) ? in.decoders[s].get() : nullptr;
      run.input_streams.push_back(std::move(ist));
    }
  }

  // 2. Every output file needs a stream.
  for (int f = 0; f < t.output_file_count; ++f)
    if (t.output_files[f]->context->nb_streams == 0) return -1;

  // 3. Output table and stream pairing.
  for (int f = 0; f < t.output_file_count; ++f) {
    OutputFile& out = *t.output_files[f];
    for (unsigned s = 0; s < out.context->nb_streams; ++s) {
      auto ost = std::make_unique<OutputStream>();
      ost->file_index = f;
      ost->stream_index = static_cast<int>(s);
      ost->stream = out.context->streams[s];
      ost->encoder = s < out.encoders.size() ? out.encoders[s].get() : nullptr;
      if (!ost->encoder || !ost->encoder->context()) return -1;
      // A copy names each stream's source; otherwise the media type decides.
      const bool planned = s < out.plans.size() && out.plans[s].source >= 0 && !run.files.empty();
      const int source = planned ? run.files[0].first_stream + out.plans[s].source
                                 : choose_source(run, ost->encoder->context()->codec_type);
      if (source < 0 || source >= static_cast<int>(run.input_streams.size())) return 1;
      ost->stream_copy = planned && out.plans[s].copy;
      ost->source_index = source;
      run.input_streams[source]->discard = 0;
      ost->sync_input = run.input_streams[source].get();
      run.output_streams.push_back(std::move(ost));
    }
  }
  return 0;
}

int prepare_output_streams(Job& job, Run& run) {
  for (auto& ost : run.output_streams)
    if (prepare_output_stream(job, *ost, *ost->sync_input) < 0) return -1;
  return 0;
}

}  // namespace engine
