// SPDX-License-Identifier: GPL-3.0-or-later
// write_subtitle: DVB subtitles leave as two packets stamped at the start and
// end display times; other encoders give one packet; a failed encode or a
// missing timestamp writes nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/tests/engine_fixture.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

// A subtitle with one 4x4 four-colour bitmap region, or one text event.
struct TestSubtitle {
  uint8_t pixels[16] = {0, 1, 2, 3, 3, 2, 1, 0, 0, 1, 2, 3, 3, 2, 1, 0};
  uint32_t palette[4] = {0xff000000u, 0xffffffffu, 0xffff0000u, 0xff00ff00u};
  char ass[64] = "0,0,Default,,0,0,0,,Hello";
  AVSubtitleRect rect{};
  AVSubtitleRect* rects[1] = {&rect};
  AVSubtitle sub{};
  explicit TestSubtitle(bool bitmap) {
    if (bitmap) {
      rect.type = SUBTITLE_BITMAP;
      rect.w = rect.h = 4;
      rect.nb_colors = 4;
      rect.data[0] = pixels;
      rect.linesize[0] = 4;
      rect.data[1] = reinterpret_cast<uint8_t*>(palette);
      rect.linesize[1] = 16;
    } else {
      rect.type = SUBTITLE_ASS;
      rect.ass = ass;
    }
    sub.num_rects = 1;
    sub.rects = rects;
    sub.start_display_time = 100;   // ms after the packet's time
    sub.end_display_time = 1100;
  }
};

// Writes subtitles through write_subtitle into a frame listing (one line per
// packet: stream, dts, pts, duration, size, checksum) and returns its lines.
class SubtitleOutput : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::temp_dir("subtitle"); }
  void TearDown() override { fs::remove_all(dir_); }

  std::vector<std::string> write(const char* encoder_name, const TestSubtitle& subtitle, int64_t pts) {
    const std::string listing = (dir_ / "packets.txt").string();
    AVFormatContext* raw = nullptr;
    EXPECT_GE(avformat_alloc_output_context2(&raw, nullptr, "framecrc", listing.c_str()), 0);
    engine::OutputContextPtr oc(raw);
    AVStream* st = avformat_new_stream(oc.get(), nullptr);
    engine::Encoder encoder;
    AVCodecContext* c = encoder.context();
    c->codec_type = AVMEDIA_TYPE_SUBTITLE;
    c->time_base = {1, 90000};
    c->width = 720;
    c->height = 576;
    // Text encoders need the ASS header that a text decoder would give.
    static const char kAssHeader[] =
        "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour\nStyle: Default,Arial,16,&Hffffff\n\n"
        "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
    c->subtitle_header = reinterpret_cast<uint8_t*>(av_strdup(kAssHeader));
    c->subtitle_header_size = sizeof kAssHeader - 1;
    const engine::EncoderDescriptor* d = engine::find_encoder_by_name(encoder_name);
    EXPECT_NE(d, nullptr);
    c->codec_id = d->id;
    EXPECT_GE(encoder.open(d), 0);
    avcodec_parameters_from_context(st->codecpar, c);
    st->time_base = {1, 90000};
    EXPECT_GE(avio_open(&oc->pb, listing.c_str(), AVIO_FLAG_WRITE), 0);
    EXPECT_GE(avformat_write_header(oc.get(), nullptr), 0);

    // The source stream counts in milliseconds.
    engine::OutputContextPtr source(avformat_alloc_context());
    engine::InputStream ist;
    ist.stream = avformat_new_stream(source.get(), nullptr);
    ist.stream->time_base = {1, 1000};
    engine::OutputStream ost;
    ost.stream = st;
    ost.encoder = &encoder;
    engine::write_subtitle(enginetest::job(), oc.get(), ost, ist, &subtitle.sub, pts);
    av_write_trailer(oc.get());
    oc.reset();

    std::ifstream in(listing);
    std::vector<std::string> packets;
    for (std::string line; std::getline(in, line);)
      if (!line.empty() && line[0] != '#') packets.push_back(line);
    return packets;
  }
  fs::path dir_;
};

// The dts and pts fields of one framecrc line.
std::pair<long, long> stamps(const std::string& line) {
  std::istringstream s(line);
  std::string stream, dts, pts;
  std::getline(s, stream, ',');
  std::getline(s, dts, ',');
  std::getline(s, pts, ',');
  return {std::stol(dts), std::stol(pts)};
}

TEST_F(SubtitleOutput, DvbGivesTwoPacketsAtTheStartAndEndDisplayTimes) {
  const TestSubtitle subtitle(true);
  const auto packets = write("dvbsub", subtitle, 2000);  // 2 s in milliseconds
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(stamps(packets[0]).second, 2000 * 90 + 100 * 90);
  EXPECT_EQ(stamps(packets[1]).second, 2000 * 90 + 1100 * 90);
}

TEST_F(SubtitleOutput, OtherEncodersGiveOnePacketAtTheStartDisplayTime) {
  const TestSubtitle subtitle(false);
  const auto packets = write("subrip", subtitle, 2000);
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(stamps(packets[0]).second, 2000 * 90 + 100 * 90);
}

TEST_F(SubtitleOutput, AFailedEncodeOrAMissingTimestampWritesNothing) {
  const TestSubtitle bitmap(true);
  EXPECT_TRUE(write("subrip", bitmap, 2000).empty());  // subrip encodes text only
  EXPECT_TRUE(write("dvbsub", bitmap, AV_NOPTS_VALUE).empty());
}

}  // namespace
