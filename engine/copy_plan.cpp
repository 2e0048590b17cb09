// SPDX-License-Identifier: GPL-3.0-or-later
// The streams of a copy: every stream of the source's program is
// copied, converted or left out, and each one left out is named in the
// job's notes so that the row's tooltip can say what the file lacks.
#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "engine/engine.h"
#include "engine/stream_copy.h"

namespace engine {

namespace {

constexpr int64_t kDefaultAudioBitRate = 192000;  // bit/s per two channels when none is given

bool holds(const AVOutputFormat* format, AVCodecID id) {
  return avformat_query_codec(format, id, FF_COMPLIANCE_NORMAL) == 1;
}

// The codecs web browsers play from an MP4.
bool browsers_play(AVCodecID id) { return id == AV_CODEC_ID_H264 || id == AV_CODEC_ID_VP9 || id == AV_CODEC_ID_AV1; }

// Blu-ray and DVD LPCM: Matroska refuses these packings of PCM, and holds
// the same samples as plain little-endian PCM.
bool repackable_pcm(AVCodecID id) { return id == AV_CODEC_ID_PCM_BLURAY || id == AV_CODEC_ID_PCM_DVD; }

// The plain PCM that holds a repacked stream's samples unchanged: 16 bits,
// or 24 for the 20- and 24-bit packings (decoded into 32-bit samples).
AVCodecID plain_pcm(const AVCodecParameters* par) {
  const auto format = static_cast<AVSampleFormat>(par->format);
  return av_get_bytes_per_sample(format) > 2 ? AV_CODEC_ID_PCM_S24LE : AV_CODEC_ID_PCM_S16LE;
}

bool has_pictures(const AVCodecParameters* par) { return par->width > 0 && par->height > 0; }

// The streams of the program that carries pictures: the first program with
// a video stream that has them, else the first that lists any stream (a
// transport stream carries several programs; camcorders write one), else
// every stream. A broadcast capture may list a program of sound and
// subtitles alone before the one with its video.
std::vector<int> first_program_streams(const AVFormatContext* ic) {
  const AVProgram* chosen = nullptr;
  for (unsigned p = 0; p < ic->nb_programs; ++p) {
    const AVProgram* program = ic->programs[p];
    if (program->nb_stream_indexes == 0) continue;
    if (!chosen) chosen = program;
    const bool pictures = std::any_of(program->stream_index, program->stream_index + program->nb_stream_indexes,
                                      [ic](unsigned i) {
                                        const AVCodecParameters* par = ic->streams[i]->codecpar;
                                        return par->codec_type == AVMEDIA_TYPE_VIDEO && has_pictures(par);
                                      });
    if (pictures) {
      chosen = program;
      break;
    }
  }
  if (chosen) {
    std::vector<int> indexes(chosen->stream_index, chosen->stream_index + chosen->nb_stream_indexes);
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
  }
  std::vector<int> all(ic->nb_streams);
  std::iota(all.begin(), all.end(), 0);
  return all;
}

// "stream 7 (dvb_teletext subtitle)", as ffprobe numbers the streams.
std::string describe(const AVStream* st) {
  const AVCodecID id = st->codecpar->codec_id;
  const char* type = av_get_media_type_string(st->codecpar->codec_type);
  return "stream " + std::to_string(st->index) + " (" + (id == AV_CODEC_ID_NONE ? "unknown" : avcodec_get_name(id)) +
         " " + (type ? type : "data") + ")";
}

bool has_sound(const AVCodecParameters* par) { return par->ch_layout.nb_channels > 0 && par->sample_rate > 0; }

AVChannelLayout copy_of(const AVChannelLayout& layout) {
  AVChannelLayout copy{};
  av_channel_layout_copy(&copy, &layout);
  return copy;
}

// The layout the encoder takes for sound laid out as `layout`: that one
// when it is listed (or nothing is), else a listed one with as many
// channels, else stereo. The resampler maps the channels across.
AVChannelLayout encoder_layout(const AVCodec* codec, const AVChannelLayout& layout) {
  const AVChannelLayout* listed = codec ? codec->ch_layouts : nullptr;
  const AVChannelLayout* same_count = nullptr;
  for (const AVChannelLayout* l = listed; l && l->nb_channels; ++l) {
    if (av_channel_layout_compare(l, &layout) == 0) return copy_of(*l);
    if (!same_count && l->nb_channels == layout.nb_channels) same_count = l;
  }
  if (same_count) return copy_of(*same_count);
  AVChannelLayout chosen{};
  if (!listed && av_channel_layout_check(&layout) && layout.order != AV_CHANNEL_ORDER_UNSPEC) return copy_of(layout);
  av_channel_layout_default(&chosen, listed ? 2 : layout.nb_channels);
  return chosen;
}

// The encoder's rate for sound at `rate`: that one, or the nearest it lists.
int encoder_rate(const EncoderDescriptor* d, int rate) {
  if (!d->supported_samplerates) return rate;
  int best = d->supported_samplerates[0];
  for (const int* r = d->supported_samplerates; *r; ++r)
    if (std::abs(*r - rate) < std::abs(best - rate)) best = *r;
  return best;
}

class Planner {
 public:
  Planner(Job& job, OutputFile& output)
      : job_(job), output_(output), format_(output.context->oformat),
        input_(job.tables.input_files[0]->context.get()) {}

  bool plan() {
    const bool mp4 = job_.spec.copy == StreamCopy::video_aac_audio;
    for (int index : first_program_streams(input_)) {
      const AVStream* st = input_->streams[index];
      const AVCodecParameters* par = st->codecpar;
      switch (par->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
          if (!has_pictures(par) || (mp4 && videos_ > 0)) leave_out(st);
          else if (holds(format_, par->codec_id)) copy_video(st, mp4);
          else if (mp4) return refuse_video();
          else leave_out(st);
          break;
        case AVMEDIA_TYPE_AUDIO:
          if (!has_sound(par)) leave_out(st);
          else if (mp4 && par->codec_id != AV_CODEC_ID_AAC) convert_audio(st, AV_CODEC_ID_AAC, aac_bit_rate(par));
          else if (holds(format_, par->codec_id)) copy(st);
          else if (repackable_pcm(par->codec_id)) convert_audio(st, plain_pcm(par), 0);
          else leave_out(st);
          break;
        case AVMEDIA_TYPE_SUBTITLE:
          if (!mp4 && holds(format_, par->codec_id)) copy(st);
          else leave_out(st);
          break;
        default: leave_out(st); break;
      }
    }
    if (!left_out_.empty()) add_note("Left out of the copy: " + left_out_);
    return true;
  }

 private:
  // The user's audio bit rate for each pair of channels.
  int64_t aac_bit_rate(const AVCodecParameters* par) const {
    const int64_t per_pair = job_.spec.audio_bit_rate > 0 ? job_.spec.audio_bit_rate : kDefaultAudioBitRate;
    return per_pair * std::max(1, (par->ch_layout.nb_channels + 1) / 2);
  }

  void add_note(const std::string& line) { job_.notes += (job_.notes.empty() ? "" : "\n") + line; }

  void leave_out(const AVStream* st) { left_out_ += (left_out_.empty() ? "" : ", ") + describe(st); }

  bool refuse_video() {
    note_error(job_, Stage::copy_video, AVERROR(ENOTSUP));
    return false;
  }

  // A new muxer stream for `source`, first of its kind the default one.
  Encoder* add(const AVStream* source, bool copied) {
    const AVMediaType type = source->codecpar->codec_type;
    Encoder* encoder = add_output_stream(output_, type);
    if (!encoder) return nullptr;
    AVStream* st = output_.context->streams[output_.context->nb_streams - 1];
    int& count = type == AVMEDIA_TYPE_VIDEO ? videos_ : type == AVMEDIA_TYPE_AUDIO ? audios_ : subtitles_;
    st->disposition = count++ == 0 && type != AVMEDIA_TYPE_SUBTITLE ? AV_DISPOSITION_DEFAULT : 0;
    output_.plans.resize(output_.context->nb_streams);
    output_.plans.back() = {source->index, copied};
    auto& t = job_.tables;
    t.output_codecs[t.output_codec_count++] = nullptr;
    return encoder;
  }

  void copy(const AVStream* source) {
    if (Encoder* encoder = add(source, true)) encoder->context()->codec_id = source->codecpar->codec_id;
  }

  void copy_video(const AVStream* source, bool mp4) {
    copy(source);
    const AVCodecID id = source->codecpar->codec_id;
    if (mp4 && !browsers_play(id)) {
      const AVCodecDescriptor* d = avcodec_descriptor_get(id);
      add_note(std::string("Web browsers do not play ") + (d ? d->long_name : avcodec_get_name(id)) +
               "; other players do.");
    }
  }

  // Sound decoded and encoded again: `id` at the source's rate and
  // channels, `bit_rate` (0 for PCM).
  void convert_audio(const AVStream* source, AVCodecID id, int64_t bit_rate) {
    const EncoderDescriptor* d = find_encoder(id);
    if (!d) return leave_out(source);
    Encoder* encoder = add(source, false);
    if (!encoder) return;
    encoder->use_codec_defaults(d);
    AVCodecContext* c = encoder->context();
    const AVCodecParameters* par = source->codecpar;
    c->codec_id = id;
    c->sample_rate = encoder_rate(d, par->sample_rate);
    c->time_base = {1, c->sample_rate};
    av_channel_layout_uninit(&c->ch_layout);
    c->ch_layout = encoder_layout(d->library_codec, par->ch_layout);
    c->sample_fmt = d->sample_fmts ? d->sample_fmts[0] : static_cast<AVSampleFormat>(par->format);
    c->bit_rate = bit_rate;
    c->thread_count = 1;
    if (format_->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }

  Job& job_;
  OutputFile& output_;
  const AVOutputFormat* format_;
  const AVFormatContext* input_;
  int videos_ = 0, audios_ = 0, subtitles_ = 0;
  std::string left_out_;  // the streams not copied, described, comma-separated
};

}  // namespace

bool add_copy_streams(Job& job, OutputFile& output) {
  if (job.tables.input_file_count <= 0 || !job.tables.input_files[0]) return true;
  return Planner(job, output).plan();
}

int prepare_copied_stream(const AVFormatContext* output, OutputStream& ost, const InputStream& ist) {
  AVCodecParameters* par = ost.stream->codecpar;
  const int copied = avcodec_parameters_copy(par, ist.stream->codecpar);
  if (copied < 0) return copied;
  // The source container's tag means nothing in the new one: the muxer
  // writes its own, except HEVC in MP4, tagged "hvc1" for Apple's players
  // and TVs (the parameter sets in the header, as the copied stream's
  // extra data holds them).
  const std::string_view muxer = output->oformat->name;
  par->codec_tag = par->codec_id == AV_CODEC_ID_HEVC && muxer == "mp4" ? MKTAG('h', 'v', 'c', '1') : 0;
  ost.stream->time_base = ist.stream->time_base;
  ost.stream->avg_frame_rate = ist.stream->avg_frame_rate;
  ost.stream->r_frame_rate = ist.stream->r_frame_rate;
  ost.stream->sample_aspect_ratio = ist.stream->sample_aspect_ratio;
  return 0;
}

}  // namespace engine
