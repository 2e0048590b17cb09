// SPDX-License-Identifier: GPL-3.0-or-later
// Option setters and codec lookup: frame-rate and maxrate rules, aspect
// parsing, codec lookup log lines and the option registry.
#include <gtest/gtest.h>

#include <mutex>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/quality_video.h"
#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"

namespace {

std::string option_text(void* object, const char* name) {
  uint8_t* text = nullptr;
  if (av_opt_get(object, name, 0, &text) < 0) return "<none>";
  std::string value(reinterpret_cast<char*>(text));
  av_free(text);
  return value;
}

AVCodecContext* entry(AVMediaType type) { return enginetest::job().options->codec_option_defaults[type].get(); }

class Options : public enginetest::Fresh<> {};

struct RateCase {
  float requested;
  AVRational expected;
};

class FrameRateRules : public enginetest::Fresh<::testing::TestWithParam<RateCase>> {};

TEST_P(FrameRateRules, GiveTheExactRationalRate) {
  // As if the input had been opened at 50 fps: rates outside the rules keep it.
  enginetest::job().settings.frame_rate = {50, 1};
  enginetest::spec().frame_rate = GetParam().requested;
  engine::apply_video_settings(enginetest::job());
  EXPECT_EQ(enginetest::job().settings.frame_rate.num, GetParam().expected.num);
  EXPECT_EQ(enginetest::job().settings.frame_rate.den, GetParam().expected.den);
}

INSTANTIATE_TEST_SUITE_P(Rates, FrameRateRules,
                         ::testing::Values(RateCase{29.97f, {30000, 1001}}, RateCase{23.976f, {24000, 1001}},
                                           RateCase{12.5f, {25, 2}}, RateCase{25.0f, {25, 1}},
                                           RateCase{14.985f, {15000, 1001}}, RateCase{7.5f, {15, 2}},
                                           RateCase{50.0f, {50, 1}}, RateCase{0.0f, {50, 1}}));

// Rate and size 0 are the source's; an interlaced source deinterlaced at
// its own rate gives a picture per field, and a chosen rate never does.
TEST_F(Options, SourceRateIsOnePicturePerFieldOnlyWhenDeinterlacing) {
  auto& s = enginetest::job().settings;
  auto& p = enginetest::spec();
  s.source_frame_rate = {25, 1};
  s.source_width = 1440;
  s.source_height = 1080;
  struct Case {
    float rate;
    bool deinterlace, interlaced;
    int expected;
  };
  for (const Case c : {Case{0, true, true, 50}, Case{0, false, true, 25}, Case{0, true, false, 25},
                       Case{25, true, true, 25}}) {
    p.frame_rate = c.rate;
    p.width = p.height = 0;
    p.deinterlace = c.deinterlace;
    s.source_interlaced = c.interlaced;
    engine::apply_video_settings(enginetest::job());
    EXPECT_EQ(av_cmp_q(s.frame_rate, {c.expected, 1}), 0) << c.rate << c.deinterlace << c.interlaced;
    EXPECT_EQ(s.per_field, c.expected == 50);
    EXPECT_EQ(s.frame_width, 1440);
    EXPECT_EQ(s.frame_height, 1080);
  }
}

// The H.264 level holds the picture size at its rate: 4.1 up to 1080p30,
// 4.2 for 1080p50/60, higher for larger pictures.
TEST(H264Level, FollowsSizeAndRate) {
  EXPECT_EQ(engine::h264_level(1280, 720, {50, 1}).idc, 41);
  EXPECT_EQ(engine::h264_level(1920, 1080, {30000, 1001}).idc, 41);
  EXPECT_EQ(engine::h264_level(1920, 1080, {50, 1}).idc, 42);
  EXPECT_EQ(engine::h264_level(1920, 1080, {60, 1}).idc, 42);
  EXPECT_EQ(engine::h264_level(3840, 2160, {30, 1}).idc, 51);
  EXPECT_EQ(engine::h264_level(1920, 1080, {50, 1}).max_bit_rate, 62500000);
}

TEST_F(Options, MaxrateFollowsTheRuleAndMinrateIsZero) {
  auto& p = enginetest::spec();
  for (int rate : {2000000, 9000000}) {
    p.video_bit_rate = rate;
    engine::apply_video_settings(enginetest::job());
    EXPECT_EQ(option_text(entry(AVMEDIA_TYPE_VIDEO), "maxrate"), "9000000") << rate;
    EXPECT_EQ(option_text(entry(AVMEDIA_TYPE_VIDEO), "minrate"), "0");
  }
  p.video_bit_rate = 12000000;
  engine::apply_video_settings(enginetest::job());
  EXPECT_EQ(option_text(entry(AVMEDIA_TYPE_VIDEO), "maxrate"), "12000000");
  EXPECT_EQ(option_text(entry(AVMEDIA_TYPE_VIDEO), "minrate"), "0");
}

struct AspectCase {
  const char* text;
  float expected;  // 0.5 = unchanged from the starting value
};

class AspectText : public ::testing::TestWithParam<AspectCase> {};

TEST_P(AspectText, StoresOnlyAPositiveRatio) {
  enginetest::job().settings.frame_aspect_ratio = 0.5f;
  engine::parse_aspect_ratio(enginetest::job(), GetParam().text);
  EXPECT_FLOAT_EQ(enginetest::job().settings.frame_aspect_ratio, GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, AspectText,
                         ::testing::Values(AspectCase{"16:9", 16.0f / 9.0f}, AspectCase{"0:9", 0.5f},
                                           AspectCase{"16:0", 0.5f}, AspectCase{"16x9", 16.0f},
                                           AspectCase{"1.85", 1.85f}, AspectCase{"4:3", 4.0f / 3.0f},
                                           AspectCase{"-4:3", 0.5f}, AspectCase{"abc", 0.5f},
                                           AspectCase{"-1.5", 0.5f}, AspectCase{"", 0.5f}));

// Lines the library log received at error level or worse.
std::vector<std::string>& logged() {
  static std::vector<std::string> lines;
  return lines;
}

void record_log(void*, int level, const char* format, va_list args) {
  if (level > AV_LOG_ERROR) return;
  char line[512];
  vsnprintf(line, sizeof line, format, args);
  logged().push_back(line);
}

TEST_F(Options, CodecLookupLogsUnknownAndWrongTypeNames) {
  av_log_set_callback(record_log);
  EXPECT_EQ(engine::lookup_codec_id("mp2", AVMEDIA_TYPE_VIDEO, true), AV_CODEC_ID_NONE);
  EXPECT_EQ(engine::lookup_codec_id("no_such_codec", AVMEDIA_TYPE_AUDIO, false), AV_CODEC_ID_NONE);
  EXPECT_EQ(engine::lookup_codec_id(nullptr, AVMEDIA_TYPE_VIDEO, true), AV_CODEC_ID_NONE);
  EXPECT_EQ(engine::lookup_codec_id("mpeg1video", AVMEDIA_TYPE_VIDEO, true), AV_CODEC_ID_MPEG1VIDEO);
  EXPECT_EQ(engine::lookup_codec_id("libopencore_amrnb", AVMEDIA_TYPE_AUDIO, true), AV_CODEC_ID_AMR_NB);
  av_log_set_callback(av_log_default_callback);
  ASSERT_EQ(logged().size(), 2u);
  EXPECT_EQ(logged()[0], "Invalid encoder type 'mp2'\n");
  EXPECT_EQ(logged()[1], "Unknown decoder 'no_such_codec'\n");
}

TEST_F(Options, LeadingLetterSelectsTheCodecEntryForUnknownNames) {
  EXPECT_EQ(engine::set_option(enginetest::job(), "vb", "777000"), 0);
  EXPECT_EQ(entry(AVMEDIA_TYPE_VIDEO)->bit_rate, 777000);
  EXPECT_EQ(entry(AVMEDIA_TYPE_AUDIO)->bit_rate, 128000);
  EXPECT_EQ(engine::set_option(enginetest::job(), "ab", "96000"), 0);  // known by its full name
  EXPECT_EQ(entry(AVMEDIA_TYPE_AUDIO)->bit_rate, 96000);
  EXPECT_EQ(engine::set_option(enginetest::job(), "xb", "1"), -1);
  EXPECT_EQ(engine::set_option(enginetest::job(), "vno_such_option", "1"), -1);
  EXPECT_EQ(engine::set_option(enginetest::job(), "g", "not a number"), -1);
  EXPECT_EQ(engine::set_option(enginetest::job(), "muxrate", "-5"), -1);
  const auto& names = enginetest::job().options->option_names;
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "b");
  EXPECT_EQ(names[1], "ab");
}

TEST_F(Options, GopReachesTheEncodersGroupSize) {
  EXPECT_EQ(engine::set_option(enginetest::job(), "gop", "18"), 0);
  EXPECT_EQ(entry(AVMEDIA_TYPE_VIDEO)->gop_size, 18);
  engine::CodecContextPtr fresh(avcodec_alloc_context3(nullptr));
  engine::apply_registered_options(enginetest::job(), entry(AVMEDIA_TYPE_VIDEO), fresh.get(),
                                   AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM);
  EXPECT_EQ(fresh->gop_size, 18);
}

struct TargetCase {
  const char* name;
  int target;
  const char* extension;
  const char* container;
  int gop;
};

void PrintTo(const TargetCase& c, std::ostream* os) { *os << c.name; }

class TargetRegistry : public enginetest::Fresh<::testing::TestWithParam<TargetCase>> {};

TEST_P(TargetRegistry, SetsTheTargetsOptionsAndContainer) {
  const TargetCase& c = GetParam();
  const auto dir = testsupport::temp_dir("target");
  const enginetest::Format mpg2{c.name, 14, 6, c.target, c.extension, 720, 576, 2, 48000, 192000,
                                c.container, "mpeg2video", "ac3"};
  enginetest::fill_parameters(mpg2, dir / (std::string("out.") + c.extension), 25, 5000000);
  engine::create_output_file(enginetest::job());
  ASSERT_EQ(enginetest::job().tables.output_file_count, 1);
  AVFormatContext* oc = enginetest::job().tables.output_files[0]->context.get();
  EXPECT_STREQ(oc->oformat->name, c.container);
  EXPECT_EQ(oc->packet_size, 2048u);
  EXPECT_EQ(oc->max_delay, 699999);

  AVCodecContext* video = entry(AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(video->gop_size, c.gop);
  EXPECT_EQ(video->bit_rate, 5000000);
  EXPECT_EQ(video->rc_buffer_size, 1835008);
  // The video stream's own settings ran apply_video_settings last.
  EXPECT_EQ(option_text(video, "maxrate"), "9000000");
  EXPECT_EQ(option_text(video, "minrate"), "0");
  const AVDictionary* mux = enginetest::job().tables.output_files[0]->muxer_options;
  ASSERT_NE(av_dict_get(mux, "muxrate", nullptr, 0), nullptr);
  EXPECT_STREQ(av_dict_get(mux, "muxrate", nullptr, 0)->value, "10080000");
  EXPECT_STREQ(av_dict_get(mux, "preload", nullptr, 0)->value, "500000");

  // The stream's encoder took the registered values.
  AVCodecContext* enc = enginetest::job().tables.output_files[0]->encoders[0]->context();
  EXPECT_EQ(enc->gop_size, c.gop);
  EXPECT_EQ(enc->rc_max_rate, 9000000);
  EXPECT_EQ(enc->rc_initial_buffer_occupancy, 1835008 * 3 / 4);
  engine::release_files(enginetest::job());
  std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Targets, TargetRegistry,
                         ::testing::Values(TargetCase{"general_avi", 0, "avi", "avi", 15},
                                           TargetCase{"dvd_pal", 7, "mpg", "dvd", 15},
                                           TargetCase{"dvd_ntsc", 8, "mpg", "dvd", 18}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Options, VcdTargetNamesItsCodecsAndTheSecondJobStartsAtZero) {
  const auto dir = testsupport::temp_dir("vcd");
  auto& p = enginetest::spec();
  p.output_target = 9;
  p.width = 352;
  p.height = 288;
  p.sample_rate = 22050;
  p.channels = 1;
  p.output_path = (dir / "first.mpg").string();
  engine::create_output_file(enginetest::job());
  auto& t = enginetest::job().tables;
  ASSERT_EQ(t.output_file_count, 1);
  EXPECT_STREQ(t.output_files[0]->context->oformat->name, "vcd");
  ASSERT_EQ(t.output_codec_count, 2);
  ASSERT_NE(t.output_codecs[0], nullptr);
  EXPECT_STREQ(t.output_codecs[0]->name, "mpeg1video");
  ASSERT_NE(t.output_codecs[1], nullptr);
  EXPECT_STREQ(t.output_codecs[1]->name, "mp2");
  // The audio stream still gets the requested values over the target's.
  AVCodecContext* audio = t.output_files[0]->encoders[1]->context();
  EXPECT_EQ(audio->sample_rate, 22050);
  EXPECT_EQ(audio->ch_layout.nb_channels, 1);
  EXPECT_EQ(enginetest::job().settings.video_codec_name, std::nullopt);
  engine::release_files(enginetest::job());
  EXPECT_EQ(t.output_codec_count, 0);
  EXPECT_EQ(t.output_file_count, 0);

  p.output_target = 0;
  p.video_codec_choice = 12;
  p.audio_codec_choice = 2;
  p.output_path = (dir / "second.avi").string();
  engine::create_output_file(enginetest::job());
  ASSERT_EQ(t.output_file_count, 1);
  ASSERT_EQ(t.output_codec_count, 2);
  EXPECT_EQ(t.output_codecs[0], nullptr);
  EXPECT_EQ(t.output_codecs[1], nullptr);
  EXPECT_EQ(t.output_files[0]->encoders[0]->context()->codec_id, AV_CODEC_ID_MSMPEG4V2);
  EXPECT_EQ(t.output_files[0]->encoders[1]->context()->codec_id, AV_CODEC_ID_MP3);
  engine::release_files(enginetest::job());
  std::filesystem::remove_all(dir);
}

}  // namespace
