// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls: one table row per control with its kind,
// position in dialog units, initial text and how it follows the window's
// edges when the window grows, in the window's stacking and tab order
// (later rows lie above earlier ones: the preview frame above its artwork).

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>

#include <array>
#include <span>

#include "app/control_area.h"
#include "app/dialog_units.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/pictures.h"

namespace app {
namespace {

enum class Kind {
  file_list, artwork, preview_frame, status_icon, text, text_right, progress, group, radio,
  folder_field, button, default_button, check, drop_list, digits_field,
};

struct ControlSpec {
  int id;  // 0: a picture without an id
  Kind kind;
  int x, y, w, h;  // dialog units
  const char* text;
  unsigned growth;  // Growth flags
};

// The list grows both ways; the column right of it follows the right edge,
// the controls below it the bottom edge; the left column's groups and the
// folder field widen with the list.
constexpr unsigned kRight = kFollowsRight;
constexpr unsigned kBelow = kFollowsBottom;
constexpr unsigned kBelowRight = kFollowsRight | kFollowsBottom;
constexpr unsigned kBelowWide = kFollowsBottom | kWidens;

constexpr std::array kControls{
    ControlSpec{kIdFileList, Kind::file_list, 7, 7, 249, 133, "", kWidens | kHeightens},
    ControlSpec{kIdArtwork, Kind::artwork, 265, 7, 157, 105, "", kRight},
    ControlSpec{kIdPreviewArea, Kind::preview_frame, 282, 7, 124, 104, "", kRight},
    ControlSpec{0, Kind::status_icon, 263, 111, 21, 20, "", kRight},
    ControlSpec{kIdProcessingText, Kind::text, 279, 112, 105, 8, "Processing: ", kRight},
    ControlSpec{kIdPercentText, Kind::text_right, 399, 112, 23, 8, "0%", kRight},
    ControlSpec{kIdProgressBar, Kind::progress, 265, 122, 157, 10, "", kRight},
    ControlSpec{kIdStatisticsText, Kind::text, 266, 132, 156, 10, "", kRight},
    ControlSpec{kIdOutputGroup, Kind::group, 7, 146, 249, 68, "Output directory", kBelowWide},
    ControlSpec{kIdSaveBesideSource, Kind::radio, 16, 163, 214, 10, "Save in the file's directory", kBelow},
    ControlSpec{kIdSaveHere, Kind::radio, 15, 181, 49, 12, "Save here: ", kBelow},
    ControlSpec{kIdOutputFolder, Kind::folder_field, 15, 195, 207, 12, "", kBelowWide},
    ControlSpec{kIdBrowseFolder, Kind::button, 225, 194, 25, 13, "...", kBelowRight},
    ControlSpec{kIdOptionGroup, Kind::group, 8, 219, 248, 55, "Option", kBelowWide},
    ControlSpec{kIdPreviewBox, Kind::check, 17, 231, 141, 10, "Preview during conversion", kBelow},
    ControlSpec{kIdFilesAtOnceLabel, Kind::text, 160, 232, 50, 8, "Files at once:", kBelowRight},
    ControlSpec{kIdFilesAtOnceList, Kind::drop_list, 212, 229, 38, 12, "", kBelowRight},
    ControlSpec{kIdDeinterlaceBox, Kind::check, 17, 244, 120, 10, "Deinterlace interlaced video", kBelow},
    ControlSpec{kIdKeepDateBox, Kind::check, 140, 244, 110, 10, "Keep recording date", kBelow},
    ControlSpec{kIdJoinBox, Kind::check, 17, 257, 120, 10, "Join spanned clips", kBelow},
    ControlSpec{kIdWhenDoneLabel, Kind::text, 140, 259, 44, 8, "When done:", kBelowRight},
    ControlSpec{kIdWhenDoneList, Kind::drop_list, 186, 256, 64, 12, "", kBelowRight},
    ControlSpec{kIdFormatGroup, Kind::group, 264, 146, 158, 103, "Output Format", kBelowRight},
    ControlSpec{kIdPresetLabel, Kind::text, 274, 159, 25, 8, "Preset:", kBelowRight},
    ControlSpec{kIdPresetList, Kind::drop_list, 329, 156, 86, 12, "", kBelowRight},
    ControlSpec{kIdFormatLabel, Kind::text, 274, 174, 25, 8, "Format:", kBelowRight},
    ControlSpec{kIdFormatList, Kind::drop_list, 330, 172, 86, 12, "", kBelowRight},
    ControlSpec{kIdSizeLabel, Kind::text, 274, 190, 25, 8, "Size:", kBelowRight},
    ControlSpec{kIdSizeList, Kind::drop_list, 330, 188, 52, 12, "", kBelowRight},
    ControlSpec{kIdAspectList, Kind::drop_list, 384, 188, 31, 12, "", kBelowRight},
    ControlSpec{kIdFpsLabel, Kind::text, 274, 204, 25, 8, "Fps:", kBelowRight},
    ControlSpec{kIdFpsList, Kind::drop_list, 330, 203, 86, 12, "", kBelowRight},
    ControlSpec{kIdVideoBitrateLabel, Kind::text, 274, 220, 50, 8, "Video Bitrate:", kBelowRight},
    ControlSpec{kIdVideoBitrate, Kind::digits_field, 330, 217, 29, 12, "", kBelowRight},
    ControlSpec{kIdKbpsLabel, Kind::text, 364, 220, 23, 9, "KBps", kBelowRight},
    ControlSpec{kIdAudioBitrateLabel, Kind::text, 274, 234, 53, 8, "Audio Bitrate:", kBelowRight},
    ControlSpec{kIdAudioBitrateList, Kind::drop_list, 330, 231, 50, 12, "", kBelowRight},
    ControlSpec{kIdQuit, Kind::button, 7, 279, 70, 22, "Quit", kBelow},
    ControlSpec{kIdCancel, Kind::button, 263, 279, 76, 22, "Cancel", kBelowRight},
    ControlSpec{kIdConvert, Kind::default_button, 343, 279, 79, 22, "Convert!", kBelowRight},
};

// Controls whose texts the opening steps set (step 3).
constexpr std::array kOpeningTexts{
    kIdProcessingText, kIdPercentText, kIdStatisticsText, kIdOutputGroup, kIdFormatGroup,
    kIdOptionGroup, kIdFormatLabel, kIdAudioBitrateLabel, kIdVideoBitrateLabel, kIdFpsLabel,
    kIdSizeLabel, kIdKbpsLabel, kIdPresetLabel,
};

QLabel* picture_label(QWidget* parent, int resource_id) {
  auto* label = new QLabel(parent);
  label->setPixmap(picture(resource_id));
  label->setScaledContents(true);
  return label;
}

QWidget* make_control(const ControlSpec& spec, QWidget* parent) {
  const QString text = QString::fromUtf8(spec.text);
  switch (spec.kind) {
    case Kind::file_list: {
      auto* list = new QTreeWidget(parent);
      list->setRootIsDecorated(false);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSelectionBehavior(QAbstractItemView::SelectRows);
      return list;
    }
    case Kind::artwork:
      return picture_label(parent, kBitmapFilmStrip);
    case Kind::status_icon:
      return picture_label(parent, kIconGreenSquare);
    case Kind::preview_frame: {
      auto* frame = new QFrame(parent);
      frame->setFrameShape(QFrame::Box);
      frame->setAutoFillBackground(true);
      QPalette palette = frame->palette();
      palette.setColor(QPalette::Window, Qt::black);
      frame->setPalette(palette);
      return frame;
    }
    case Kind::text:
      return new QLabel(text, parent);
    case Kind::text_right: {
      auto* label = new QLabel(text, parent);
      label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      return label;
    }
    case Kind::progress: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
    case Kind::group:
      return new QGroupBox(text, parent);
    case Kind::radio:
      return new QRadioButton(text, parent);
    case Kind::check:
      return new QCheckBox(text, parent);
    case Kind::folder_field: {
      // Shown, not typed into: "..." picks the folder. It looks read-only
      // (the window's colour behind the text) and says what it holds.
      auto* field = new QLineEdit(parent);
      field->setReadOnly(true);
      QPalette palette = field->palette();
      palette.setColor(QPalette::Base, palette.color(QPalette::Window));
      field->setPalette(palette);
      field->setToolTip(QStringLiteral("The folder converted files are saved in with \"Save here\"; "
                                       "choose it with \"...\""));
      field->setAccessibleName(QStringLiteral("Output folder"));
      return field;
    }
    case Kind::digits_field: {
      auto* field = new QLineEdit(parent);
      field->setValidator(
          new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
      return field;
    }
    case Kind::drop_list: {
      auto* list = new QComboBox(parent);
      list->setEditable(false);
      return list;
    }
    case Kind::button:
    case Kind::default_button: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);
      button->setDefault(spec.kind == Kind::default_button);
      return button;
    }
  }
  return nullptr;
}

const ControlSpec* spec_of(int id) {
  for (const ControlSpec& spec : kControls)
    if (spec.id == id) return &spec;
  return nullptr;
}

void set_text(QWidget* control, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(control)) label->setText(text);
  else if (auto* group = qobject_cast<QGroupBox*>(control)) group->setTitle(text);
  else if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setText(text);
  else if (auto* field = qobject_cast<QLineEdit*>(control)) field->setText(text);
}

}  // namespace

void MainWindow::build_controls() {
  auto* area = new ControlArea(this, [this] { lay_out_controls(); });
  area->setObjectName(QString::number(kDialogMain));
  const QFont font = dialog_font();
  area->setFont(font);
  const DialogUnits units = dialog_units(font);
  designed_size_ = QSize(units.x(429), units.y(318));
  for (const ControlSpec& spec : kControls) {
    QWidget* control = make_control(spec, area);
    const QRect designed = units.rect(spec.x, spec.y, spec.w, spec.h);
    control->setGeometry(designed);
    placed_.push_back({control, designed, spec.growth});
    if (spec.id != 0) {
      control->setObjectName(QString::number(spec.id));
      controls_[spec.id] = control;
    }
  }
  // Cancel is for stopping what runs; nothing runs at start.
  controls_.at(kIdCancel)->setEnabled(false);
  area->setMinimumSize(designed_size_);
  area->resize(designed_size_);
  area->set_default_size(designed_size_);
  setCentralWidget(area);
}

void MainWindow::set_opening_texts() {
  for (int id : kOpeningTexts) {
    if (const ControlSpec* spec = spec_of(id)) set_text(control(id), QString::fromUtf8(spec->text));
  }
}

}  // namespace app
