// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numeric ids of the main window's controls and commands, each its own. A
// control or a menu item is found by its id (MainWindow::control,
// MainWindow::action).

namespace app {

enum ControlId : int {
  kIdOk = 1,                // About box OK button
  kIdCancel = 2,            // "Cancel"
  kIdQuit = 3,              // "Quit"
  kIdPreviewArea = 1000,    // black frame holding the preview surface
  kIdFileList = 1001,       // input file list
  kIdProgressBar = 1002,    // progress of the current file, 0..100
  kIdConvert = 1003,        // "Convert!", the default button
  kIdProcessingText = 1004, // "Processing: " + title
  kIdPercentText = 1005,    // "0%"
  kIdStatisticsText = 1006, // "Statistics: N Fps"
  kIdOutputGroup = 1007,    // "Output directory"
  kIdSaveBesideSource = 1008,  // radio "Save in the file's directory"
  kIdSaveHere = 1009,       // radio "Save here: "
  kIdOutputFolder = 1010,   // read-only folder field (picked with "...")
  kIdBrowseFolder = 1011,   // "..."
  kIdFormatGroup = 1012,    // "Output Format"
  kIdFormatList = 1013,
  kIdFormatLabel = 1014,
  kIdSizeList = 1015,
  kIdSizeLabel = 1016,
  kIdAspectList = 1017,
  kIdAudioBitrateList = 1018,
  kIdVideoBitrateLabel = 1019,
  kIdAudioBitrateLabel = 1020,
  kIdFpsList = 1021,
  kIdFpsLabel = 1022,
  kIdVideoBitrate = 1023,   // digits-only field, kbit/s
  kIdKbpsLabel = 1024,
  kIdPreviewBox = 1025,     // "Preview during conversion"
  kIdOptionGroup = 1026,    // "Option"
  kIdPresetLabel = 1027,
  kIdPresetList = 1028,
  kIdArtwork = 1029,        // bitmap 154 behind the preview area
  kIdFilesAtOnceLabel = 1030,  // "Files at once:"
  kIdFilesAtOnceList = 1031,   // "1", "2", ... up to the core count, "Auto"
  kIdDeinterlaceBox = 1032,    // "Deinterlace interlaced video"
  kIdKeepDateBox = 1033,       // "Keep recording date"
  kIdJoinBox = 1034,           // "Join spanned clips"
  kIdStatusBar = 1035,         // the three-part status bar along the bottom edge
  kIdWhenDoneLabel = 1036,     // "When done:"
  kIdWhenDoneList = 1037,      // "Do nothing", "Quit", "Suspend", "Power off"
};

enum CommandId : int {
  kCmdAbout = 104,
  kCmdQuit = 105,
  kCmdAddFiles = 32771,
  kCmdClearList = 32774,
  kCmdSelectAll = 32775,
  kCmdUnselectAll = 32776,
  kCmdPresetMpeg2Hd = 32777,
  kCmdPresetWmvHd = 32778,
  kCmdPresetFlvLow = 32779,
  kCmdPresetFlvHigh = 32780,
  kCmdPresetFlvMedium = 32781,
  kCmdPresetIpod = 32782,
  kCmdPresetAviLow = 32783,
  kCmdPresetAviMedium = 32784,
  kCmdPresetAviHigh = 32785,
  kCmdPresetDvdPal = 32786,
  kCmdPresetDvdNtsc = 32787,
  kCmdPreset3gp = 32788,
  kCmdPresetIphone = 32789,
  kCmdAddFolder = 32790,       // "Add folder…"
  kCmdPresetH264_1080p = 32791,
  kCmdPresetH264_720p = 32792,
  kCmdPresetHevc1080p = 32793,
  kCmdPresetCopyMp4 = 32794,
  kCmdPresetCopyMkv = 32795,
  kCmdRemoveRows = 32796,      // "Remove": the selected rows
  kCmdRemoveFinished = 32797,  // "Remove finished": every "100 %" row
};

// Resource ids of the pictures.
enum ResourceId : int {
  kIconEmptyBox = 130,
  kIconTickedBox = 131,
  kIconGreenSquare = 132,
  kBitmapFilmStrip = 154,
  kDialogAbout = 103,
  kDialogMain = 129,
};

}  // namespace app
