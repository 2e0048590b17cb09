// SPDX-License-Identifier: GPL-3.0-or-later
// The preview in the real main window: silent absence without X, and under
// X a conversion showing its pictures letterboxed in the preview area.

#include <QCheckBox>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/file_list.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/preview_embed.h"
#include "app/tests/app_test_env.h"
#include "app/window_work.h"
#include "preview/preview.h"
#include "preview/tests/x_test_lock.h"
#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;
using app::MainWindow;

constexpr const char* kChildFlag = "CLIPMILL_PREVIEW_X_CHILD";

TEST(PreviewEmbed, WithoutXCreationFailsSilently) {
  ASSERT_NE(QGuiApplication::platformName(), QStringLiteral("xcb"));
  MainWindow window;
  EXPECT_FALSE(preview::has_surface());
  EXPECT_FALSE(window.job_display().show_preview_picture);
  EXPECT_FALSE(window.job_display().clear_preview);
  EXPECT_EQ(window.control(app::kIdPreviewArea)->findChild<QWidget*>("preview-surface"), nullptr);
  EXPECT_EQ(app::embed_preview(window), -1);
}

// QT_QPA_PLATFORM set by the user wins; otherwise X is chosen when the
// session has a display.
TEST(PreviewEmbed, PrefersX11OnlyWhenNotChosenAndDisplayed) {
  auto get = [] {
    const char* v = std::getenv("QT_QPA_PLATFORM");
    return v ? std::optional<std::string>(v) : std::nullopt;
  };
  const auto saved_platform = get();
  const char* d = std::getenv("DISPLAY");
  const std::optional<std::string> saved_display = d ? std::optional<std::string>(d) : std::nullopt;

  ::setenv("QT_QPA_PLATFORM", "wayland", 1);
  ::setenv("DISPLAY", ":0", 1);
  app::prefer_x11_platform();
  EXPECT_EQ(get(), "wayland");

  ::unsetenv("QT_QPA_PLATFORM");
  app::prefer_x11_platform();
  EXPECT_EQ(get(), "xcb");

  ::unsetenv("QT_QPA_PLATFORM");
  ::unsetenv("DISPLAY");
  app::prefer_x11_platform();
  EXPECT_EQ(get(), std::nullopt);

  if (saved_platform) ::setenv("QT_QPA_PLATFORM", saved_platform->c_str(), 1);
  if (saved_display) ::setenv("DISPLAY", saved_display->c_str(), 1);
}

// Runs in a child process of this binary on the xcb platform (the test
// process itself runs offscreen).
TEST(PreviewInX, ConversionShowsLetterboxedPicturesThenBlack) {
  if (!std::getenv(kChildFlag)) GTEST_SKIP() << "runs as the child of RealWindowUnderX";
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  xtest::ScreenLock lock(std::getenv("DISPLAY"));

  // One colour, so every shown picture gives the same pixels.
  fs::path source = testsupport::cached_media(
      "orange_1080_3s.m2ts",
      "-f lavfi -i color=c=0xE67820:size=1920x1080:rate=25 -t 3 -c:v mpeg2video -b:v 4M -f mpegts");
  fs::path dir = testsupport::temp_dir("preview_x");
  fs::copy_file(source, dir / "orange.m2ts");

  auto window = std::make_unique<MainWindow>();
  window->move(0, 0);
  window->show();
  QWidget* area = window->control(app::kIdPreviewArea);
  QWidget* surface = area->findChild<QWidget*>("preview-surface");
  ASSERT_NE(surface, nullptr);
  ASSERT_TRUE(preview::has_surface());
  ASSERT_TRUE(apptest::pump_until([&] { return surface->isVisible(); }, 5000));
  apptest::pump_for(300);
  EXPECT_EQ(surface->size(), area->contentsRect().size());

  QScreen* screen = window->screen();
  auto grab = [&] { return screen->grabWindow(surface->winId()).toImage(); };
  auto near = [](QRgb p, int r, int g, int b) {
    return std::abs(qRed(p) - r) <= 24 && std::abs(qGreen(p) - g) <= 24 && std::abs(qBlue(p) - b) <= 24;
  };
  auto all_black = [&](const QImage& img, std::optional<preview::Rect> except) {
    for (int y = 0; y < img.height(); y += 3)
      for (int x = 0; x < img.width(); x += 3) {
        if (except && x >= except->x && x < except->x + except->w && y >= except->y &&
            y < except->y + except->h)
          continue;
        if (!near(img.pixel(x, y), 0, 0, 0)) return false;
      }
    return true;
  };

  window->control_as<QRadioButton>(app::kIdSaveHere)->click();
  window->control_as<QLineEdit>(app::kIdOutputFolder)->setText(QString::fromStdString(dir.string()));
  if (!window->control_as<QCheckBox>(app::kIdPreviewBox)->isChecked())
    window->control_as<QCheckBox>(app::kIdPreviewBox)->click();
  app::file_list::add_input_file(*window, (dir / "orange.m2ts").string());

  const preview::Rect r = preview::letterbox_rect(1920, 1080, 1, 1, surface->width(), surface->height());
  window->dispatch_command(app::kIdConvert);
  bool seen = false, letterboxed = false;
  apptest::pump_until([&] {
    QImage img = grab();
    if (!img.isNull() && near(img.pixel(r.x + r.w / 2, r.y + r.h / 2), 230, 120, 32)) {
      if (!seen) {
        seen = true;
        letterboxed = all_black(img, preview::Rect{r.x - 2, r.y - 2, r.w + 4, r.h + 4}) &&
                      near(img.pixel(r.x + 3, r.y + 3), 230, 120, 32) &&
                      near(img.pixel(r.x + r.w - 4, r.y + r.h - 4), 230, 120, 32);
      }
    }
    return !window->work().batch_running();
  }, 300000);
  apptest::pump_for(200);
  EXPECT_TRUE(seen) << "no picture of the clip appeared in the preview area";
  EXPECT_TRUE(letterboxed) << "picture not inside its rectangle " << r.x << "," << r.y << " " << r.w << "x" << r.h;
  EXPECT_TRUE(all_black(grab(), std::nullopt)) << "preview area not black after the job";

  window.reset();
  fs::remove_all(dir);
}

TEST(PreviewInX, RealWindowUnderX) {
  const char* display = std::getenv("CLIPMILL_TEST_DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "CLIPMILL_TEST_DISPLAY not set";
  if (std::getenv(kChildFlag)) GTEST_SKIP();
  std::string self = fs::read_symlink("/proc/self/exe").string();
  std::string command = std::string("env ") + kChildFlag + "=1 QT_QPA_PLATFORM=xcb DISPLAY=" +
                        testsupport::quote(display) + " " + testsupport::quote(self) +
                        " --gtest_filter=PreviewInX.ConversionShowsLetterboxedPicturesThenBlack";
  std::string output;
  int status = testsupport::run(command, &output, true);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

}  // namespace
