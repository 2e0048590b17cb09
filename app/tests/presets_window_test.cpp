// SPDX-License-Identifier: GPL-3.0-or-later
// The option lists and presets in the real main window (offscreen).

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "app/ids.h"
#include "app/main_window.h"
#include "app/option_controls.h"
#include "app/settings_file.h"
#include "app/tests/app_test_env.h"
#include "presets/option_tables.h"

namespace {

using app::MainWindow;

class PresetsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::fresh_config_home();
    window = std::make_unique<MainWindow>();
  }
  QComboBox* list(int id) { return window->control_as<QComboBox>(id); }
  std::string shown(int id) { return list(id)->currentText().toStdString(); }
  std::string video_text() { return window->control_as<QLineEdit>(app::kIdVideoBitrate)->text().toStdString(); }
  // As the user picks an entry: the selection changes and the list reports it.
  void pick(int id, int position) {
    list(id)->setCurrentIndex(position);
    emit list(id)->activated(position);
  }
  struct Shown {
    std::string format, size, aspect, fps, video, audio, preset;
    bool operator==(const Shown&) const = default;
  };
  Shown all_shown() {
    return {shown(app::kIdFormatList), shown(app::kIdSizeList), shown(app::kIdAspectList), shown(app::kIdFpsList),
            video_text(), shown(app::kIdAudioBitrateList), shown(app::kIdPresetList)};
  }

  std::unique_ptr<MainWindow> window;
};

TEST_F(PresetsWindow, ListsHoldTheTablesAndStartAtTheShownPreset) {
  const std::pair<int, const presets::OptionList*> lists[] = {
      {app::kIdFormatList, &presets::format_list()}, {app::kIdSizeList, &presets::size_list()},
      {app::kIdAspectList, &presets::aspect_list()}, {app::kIdFpsList, &presets::fps_list()},
      {app::kIdAudioBitrateList, &presets::audio_bitrate_list()}, {app::kIdPresetList, &presets::preset_list()}};
  for (const auto& [id, table] : lists) {
    ASSERT_EQ(list(id)->count(), static_cast<int>(table->entries.size())) << id;
    for (int i = 0; i < list(id)->count(); ++i)
      EXPECT_EQ(list(id)->itemText(i).toStdString(), table->entries[i]) << id << " " << i;
  }
  // With no choice stored, the controls take the values of the preset the
  // box shows (MPEG2 HD: 25 and 256, where the lists' defaults are 24 and 224).
  EXPECT_EQ(all_shown(), (Shown{"MPG2", "1280x720", "16/9", "25", "9000", "256", "MPEG2 HD"}));
}

TEST_F(PresetsWindow, DvdAnd3gpPresetsFromTheList) {
  pick(app::kIdPresetList, 4);
  EXPECT_EQ(all_shown(), (Shown{"MPG2", "720x480", "16/9", "29.97", "6000", "256", "DVD NTSC"}));
  pick(app::kIdPresetList, 5);
  EXPECT_EQ(all_shown(), (Shown{"MPG2", "720x576", "16/9", "25", "6000", "256", "DVD Pal"}));
  EXPECT_EQ(list(app::kIdSizeList)->currentIndex(), 22);  // the first "720x576"
  pick(app::kIdPresetList, 0);
  EXPECT_EQ(all_shown(), (Shown{"H.263", "176x144", "4/3", "12.5", "144", "12.2", "3gp format"}));
}

TEST_F(PresetsWindow, MenuCommandsApplyTheirRowAndShowItInTheList) {
  window->action(app::kCmdPresetFlvHigh)->trigger();  // 32780
  EXPECT_EQ(all_shown(), (Shown{"FLV", "560x304", "16/9", "25", "750", "128", "FLV (High quality)"}));
  window->action(app::kCmdPresetIphone)->trigger();  // 32789
  EXPECT_EQ(all_shown(), (Shown{"MP4", "640x480", "4/3", "25", "1000", "160", "iPhone format"}));
  // Again from the menu while the list already shows it: applied anew.
  list(app::kIdFormatList)->setCurrentIndex(0);
  window->dispatch_command(app::kCmdPresetIphone);
  EXPECT_EQ(shown(app::kIdFormatList), "MP4");
}

TEST_F(PresetsWindow, Mpeg2HdResetsATypedVideoBitrate) {
  pick(app::kIdPresetList, 1);
  window->control_as<QLineEdit>(app::kIdVideoBitrate)->setText("2500");
  pick(app::kIdPresetList, 11);
  EXPECT_EQ(video_text(), "9000");
  EXPECT_EQ(shown(app::kIdFpsList), "25");
}

TEST_F(PresetsWindow, ApplyingAPresetRaisesNoChangeHandling) {
  int changes = 0;
  for (int id : {app::kIdFormatList, app::kIdSizeList, app::kIdAspectList, app::kIdFpsList,
                 app::kIdAudioBitrateList, app::kIdPresetList})
    QObject::connect(list(id), &QComboBox::currentIndexChanged, [&changes] { ++changes; });
  QObject::connect(window->control_as<QLineEdit>(app::kIdVideoBitrate), &QLineEdit::textChanged,
                   [&changes] { ++changes; });
  window->dispatch_command(app::kCmdPreset3gp);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(shown(app::kIdPresetList), "3gp format");
}

TEST_F(PresetsWindow, AFormatAloneChangesNothingElse) {
  pick(app::kIdPresetList, 7);
  Shown before = all_shown();
  pick(app::kIdFormatList, 6);
  before.format = "WMV";
  EXPECT_EQ(all_shown(), before);
  EXPECT_EQ(list(app::kIdSizeList)->count(), 30);
}

// A copy keeps the source's picture (MKV copy its sound too): those choices
// are greyed and left as they were, whether the format comes from a preset,
// the user or the settings file.
TEST_F(PresetsWindow, CopyFormatsGreyTheChoicesTheyDoNotUse) {
  const auto enabled = [&] {
    std::vector<bool> states;
    for (int id : {app::kIdSizeList, app::kIdAspectList, app::kIdFpsList, app::kIdVideoBitrate,
                   app::kIdAudioBitrateList})
      states.push_back(window->control(id)->isEnabled());
    return states;
  };
  Shown before = all_shown();
  window->action(app::kCmdPresetCopyMkv)->trigger();
  before.format = "MKV copy";
  before.preset = "Original quality MKV (every track)";
  EXPECT_EQ(all_shown(), before);
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false, false}));
  pick(app::kIdFormatList, presets::position_of(presets::format_list(), "MP4 copy"));
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false, true}));
  window->action(app::kCmdPresetH264_1080p)->trigger();
  EXPECT_EQ(enabled(), (std::vector<bool>(5, true)));
  EXPECT_EQ(all_shown(),
            (Shown{"MP4 H.264", "1920x1080", "16/9", "Source", "16000", "192", "H.264 1080p (any device)"}));

  app::write_setting("output", "format", "MKV copy");
  app::MainWindow restored;
  EXPECT_FALSE(restored.control(app::kIdAudioBitrateList)->isEnabled());
}

TEST_F(PresetsWindow, SettingsReadFromTheControlsOnAWorkerThread) {
  pick(app::kIdPresetList, 4);  // DVD NTSC
  list(app::kIdSizeList)->setCurrentIndex(18);  // the second "704x480"
  window->control_as<QLineEdit>(app::kIdVideoBitrate)->setText("25000");
  window->control_as<QRadioButton>(app::kIdSaveHere)->setChecked(true);
  window->control_as<QLineEdit>(app::kIdOutputFolder)->setText("/some/folder/");

  auto result = std::async(std::launch::async, [&] { return app::read_conversion_settings(*window); });
  ASSERT_TRUE(apptest::pump_until([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  const presets::ConversionSettings s = result.get();
  EXPECT_EQ(s.format, "mpg2");
  EXPECT_EQ(s.width, 704);
  EXPECT_EQ(s.height, 480);
  EXPECT_FLOAT_EQ(s.fps, 29.97f);
  EXPECT_EQ(s.video_bitrate, 19000000);
  EXPECT_EQ(s.audio_bitrate, 256000);
  EXPECT_EQ(s.aspect, 2);
  EXPECT_FALSE(s.save_beside_source);
  EXPECT_EQ(s.output_folder, "/some/folder/");
}

TEST_F(PresetsWindow, VideoBitrateFieldTakesDigitsOnly) {
  auto* field = window->control_as<QLineEdit>(app::kIdVideoBitrate);
  field->clear();
  field->setFocus();
  for (QChar c : QStringLiteral("12a-3.4")) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(field, &press);
  }
  EXPECT_EQ(field->text().toStdString(), "1234");
}

}  // namespace
