// SPDX-License-Identifier: GPL-3.0-or-later
// The preview surface drawing into a real X window (Xvfb in the test run).
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "engine/av_ptr.h"

extern "C" {
#include <libavutil/pixdesc.h>
}
#include "preview/preview.h"
#include "preview/tests/x_test_lock.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int kAreaW = 248;
constexpr int kAreaH = 208;

struct Rgb {
  int r, g, b;
};

// A mapped top-level window of the preview area's size on the test display.
class XPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("CLIPMILL_TEST_DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "CLIPMILL_TEST_DISPLAY not set";
    setenv("DISPLAY", display, 1);
    lock_ = std::make_unique<xtest::ScreenLock>(display);
    // A server that just lost its last client may refuse for a moment.
    for (int attempt = 0; attempt < 50 && !dpy_; ++attempt) {
      dpy_ = XOpenDisplay(display);
      if (!dpy_) usleep(100000);
    }
    ASSERT_NE(dpy_, nullptr);
    int screen = DefaultScreen(dpy_);
    win_ = XCreateSimpleWindow(dpy_, RootWindow(dpy_, screen), 0, 0, kAreaW, kAreaH, 0,
                               WhitePixel(dpy_, screen), WhitePixel(dpy_, screen));
    XMapWindow(dpy_, win_);
    XSync(dpy_, False);
    ASSERT_EQ(preview::create_preview_window(win_, kAreaW, kAreaH), 0);
    ASSERT_TRUE(preview::has_surface());
  }
  void TearDown() override {
    if (dpy_) XCloseDisplay(dpy_);
  }

  // Colour of a pixel of `image`, from the image's channel masks.
  static Rgb colour_at(XImage* image, int x, int y) {
    const unsigned long p = XGetPixel(image, x, y);
    auto channel = [p](unsigned long mask) {
      int shift = 0;
      while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
      }
      return static_cast<int>(((p >> shift) & mask) * 255 / (mask ? mask : 1));
    };
    return {channel(image->red_mask), channel(image->green_mask), channel(image->blue_mask)};
  }

  Rgb pixel(int x, int y) {
    XImage* image = XGetImage(dpy_, win_, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return {-1, -1, -1};
    const Rgb c = colour_at(image, 0, 0);
    XDestroyImage(image);
    return c;
  }

  static bool near(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) <= 24 && std::abs(a.g - b.g) <= 24 && std::abs(a.b - b.b) <= 24;
  }

  // Count of sampled pixels (every 4th in both directions) inside and
  // outside `r` that do not match the expected colours.
  int mismatches(preview::Rect r, Rgb inside, Rgb outside) {
    XImage* image = XGetImage(dpy_, win_, 0, 0, kAreaW, kAreaH, AllPlanes, ZPixmap);
    if (!image) return -1;
    int bad = 0;
    for (int y = 0; y < kAreaH; y += 4) {
      for (int x = 0; x < kAreaW; x += 4) {
        // Stay 2 pixels clear of the edge, where scaling blends.
        bool in = x >= r.x + 2 && x < r.x + r.w - 2 && y >= r.y + 2 && y < r.y + r.h - 2;
        bool out = x < r.x || x >= r.x + r.w || y < r.y || y >= r.y + r.h;
        if (!in && !out) continue;
        if (!near(colour_at(image, x, y), in ? inside : outside)) ++bad;
      }
    }
    XDestroyImage(image);
    return bad;
  }

  std::unique_ptr<xtest::ScreenLock> lock_;
  Display* dpy_ = nullptr;
  Window win_ = 0;
};

// A decoded picture of one colour and its decoder context.
struct Picture {
  engine::FramePtr frame;
  engine::CodecContextPtr decoder;
};

Picture solid_picture(int width, int height, AVPixelFormat format, Rgb colour,
                      AVRational sar = {1, 1}) {
  Picture p;
  p.frame.reset(av_frame_alloc());
  p.frame->width = width;
  p.frame->height = height;
  p.frame->format = AV_PIX_FMT_RGB24;
  av_frame_get_buffer(p.frame.get(), 0);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = p.frame->data[0] + y * p.frame->linesize[0];
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<uint8_t>(colour.r);
      row[3 * x + 1] = static_cast<uint8_t>(colour.g);
      row[3 * x + 2] = static_cast<uint8_t>(colour.b);
    }
  }
  if (format != AV_PIX_FMT_RGB24) {
    engine::FramePtr converted(av_frame_alloc());
    converted->width = width;
    converted->height = height;
    converted->format = format;
    av_frame_get_buffer(converted.get(), 0);
    engine::SwsPtr sws(sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, format,
                                      SWS_BICUBIC, nullptr, nullptr, nullptr));
    sws_scale(sws.get(), p.frame->data, p.frame->linesize, 0, height, converted->data,
              converted->linesize);
    p.frame = std::move(converted);
  }
  p.decoder.reset(avcodec_alloc_context3(nullptr));
  p.decoder->width = width;
  p.decoder->height = height;
  p.decoder->pix_fmt = format;
  p.decoder->sample_aspect_ratio = sar;
  return p;
}

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kOrange{230, 120, 30};

// The program still ends on SIGTERM and SIGINT once the preview exists.
TEST_F(XPreviewTest, TerminationSignalsKeepTheirHandlers) {
  for (int sig : {SIGTERM, SIGINT}) {
    struct sigaction now {};
    sigaction(sig, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << sig;
  }
}

struct ShowCase {
  int width, height;
  AVPixelFormat format;
  AVRational sar;
};

void PrintTo(const ShowCase& c, std::ostream* os) {
  *os << c.width << "x" << c.height << " " << av_get_pix_fmt_name(c.format) << " sar "
      << c.sar.num << "/" << c.sar.den;
}

class XPreviewShow : public XPreviewTest, public ::testing::WithParamInterface<ShowCase> {};

// The picture fills its letterbox rectangle; the rest stays black; clearing
// afterwards leaves nothing of it.
TEST_P(XPreviewShow, LetterboxedPictureThenClear) {
  const ShowCase& c = GetParam();
  Picture p = solid_picture(c.width, c.height, c.format, kOrange, c.sar);
  preview::clear_preview();
  preview::show_preview_picture(p.frame.get(), p.decoder.get());
  preview::Rect r =
      preview::letterbox_rect(c.width, c.height, c.sar.num, c.sar.den, kAreaW, kAreaH);
  ASSERT_GT(r.w, 8);
  EXPECT_TRUE(near(pixel(r.x + r.w / 2, r.y + r.h / 2), kOrange));
  EXPECT_EQ(mismatches(r, kOrange, kBlack), 0);
  preview::clear_preview();
  EXPECT_EQ(mismatches({0, 0, 0, 0}, kBlack, kBlack), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, XPreviewShow,
    ::testing::Values(ShowCase{1920, 1080, AV_PIX_FMT_YUV420P, {1, 1}},
                      ShowCase{1440, 1080, AV_PIX_FMT_YUV420P, {4, 3}},
                      ShowCase{720, 576, AV_PIX_FMT_YUV422P, {16, 15}},
                      ShowCase{352, 288, AV_PIX_FMT_RGB24, {0, 1}},
                      // Odd sizes must not write past the overlay's planes.
                      ShowCase{721, 577, AV_PIX_FMT_YUV420P, {1, 1}}),
    [](const ::testing::TestParamInfo<ShowCase>& info) {
      const ShowCase& c = info.param;
      return std::to_string(c.width) + "x" + std::to_string(c.height) + "_" +
             av_get_pix_fmt_name(c.format);
    });

// A picture the scaler cannot convert is not shown; the area stays black.
TEST_F(XPreviewTest, UnconvertiblePictureShowsNothing) {
  Picture p = solid_picture(320, 240, AV_PIX_FMT_YUV420P, kOrange);
  p.decoder->pix_fmt = AV_PIX_FMT_VAAPI;
  p.frame->format = AV_PIX_FMT_VAAPI;
  preview::clear_preview();
  preview::show_preview_picture(p.frame.get(), p.decoder.get());
  EXPECT_EQ(mismatches({0, 0, 0, 0}, kBlack, kBlack), 0);
}

// The file-adding thread clears while the worker shows pictures.
TEST_F(XPreviewTest, ClearAndShowFromTwoThreads) {
  Picture p = solid_picture(640, 360, AV_PIX_FMT_YUV420P, kOrange);
  std::thread clearing([] {
    for (int i = 0; i < 100; ++i) preview::clear_preview();
  });
  for (int i = 0; i < 100; ++i) preview::show_preview_picture(p.frame.get(), p.decoder.get());
  clearing.join();
  preview::clear_preview();
  EXPECT_EQ(mismatches({0, 0, 0, 0}, kBlack, kBlack), 0);
}

// Without a display, creation fails quietly and the other calls do nothing.
TEST(NoDisplay, CreationFailsAndCallsDoNothing) {
  unsetenv("DISPLAY");
  EXPECT_EQ(preview::create_preview_window(0, kAreaW, kAreaH), -1);
  EXPECT_FALSE(preview::has_surface());
  preview::clear_preview();
  Picture p = solid_picture(64, 48, AV_PIX_FMT_YUV420P, kOrange);
  preview::show_preview_picture(p.frame.get(), p.decoder.get());
}

}  // namespace
