#pragma once

// Command ids shared by the menus, the toolbar, the graph tool bar and the views.
// Every QAction carries its id as data so the views and tests can address it.
namespace cmd {
inline constexpr int kNew = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kClose = 57602;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kRecentFile = 57616;
inline constexpr int kWindowCascade = 57650;
inline constexpr int kWindowTile = 57651;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kNextWindow = 57680;
inline constexpr int kPreviousWindow = 57681;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;

inline constexpr int kToolMove = 32771;
inline constexpr int kToolRect = 32772;
inline constexpr int kToolXBig = 32773;
inline constexpr int kToolYBig = 32774;
inline constexpr int kToolBig = 32775;
inline constexpr int kToolSmall = 32776;
inline constexpr int kToolShow = 32777;
inline constexpr int kToolAll = 32778;
inline constexpr int kGraphSetting = 32780;
inline constexpr int kPortOther = 32781;
inline constexpr int kViewRealTime = 32782;
inline constexpr int kStart = 32787;
inline constexpr int kStop = 32788;
inline constexpr int kFftAnalysis = 32792;
inline constexpr int kExportExcel = 32793;
inline constexpr int kExportCsv = 32794;
inline constexpr int kPrintGraph = 32798;
inline constexpr int kPrintData = 32799;
inline constexpr int kHelpTopics = 32800;
inline constexpr int kMqttSettings = 32801;
inline constexpr int kMqttPublish = 32802;
inline constexpr int kContinueWhenFull = 32850;
inline constexpr int kLimits = 32851;

// Discovered ports get their own range, clear of every other command, so any
// number of them can be listed and chosen.
inline constexpr int kFirstDiscoveredPort = 33000;
inline constexpr int kDemoMeter = 32999;
// The Window menu's entries for the open documents, one id each.
inline constexpr int kFirstDocumentWindow = 65280;
}  // namespace cmd
