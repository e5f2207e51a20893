// Numeric ids that tie windows, commands, posted events and texts together.
#pragma once

namespace kornmill {

// Controls: scrollbar k has id kIdFirstControl + k; its description text has the same id.
inline constexpr int kIdFirstControl = 1500;
inline constexpr int kControlCount = 29;
inline constexpr int kIdChangeTimeControl = 1528;

// Main window items.
inline constexpr int kIdPlayButton = 1031;
inline constexpr int kIdFileButton = 1032;
inline constexpr int kIdChangeTimeText = 1038;
inline constexpr int kIdStreamTabs = 1079;
inline constexpr int kIdNewStreamButton = 1081;
inline constexpr int kIdStemButton = 1083;
inline constexpr int kIdFirstGroupBox = 1092;  // 1092..1097
inline constexpr int kIdLastGroupBox = 1097;
inline constexpr int kIdBankName = 1104;
inline constexpr int kIdBankLoad = 1105;
inline constexpr int kIdBankSave = 1106;
inline constexpr int kIdClearPatch = 1107;
inline constexpr int kIdBankClose = 1109;
inline constexpr int kIdDefaultPatch = 1400;  // slot buttons 1401..1420
inline constexpr int kIdFirstSlot = 1401;
inline constexpr int kIdLastSlot = 1420;
inline constexpr int kIdFirstBank = 1600;  // bank buttons 1600..1607 (A..H)
inline constexpr int kIdLastBank = 1607;
inline constexpr int kIdStatusBar = 2501;

// Dialogs.
inline constexpr int kIdMainDialog = 103;
inline constexpr int kIdGestureDialog = 106;
inline constexpr int kIdMidiResponseDialog = 111;
inline constexpr int kIdMidiInputPage = 112;
inline constexpr int kIdSoundOutputPage = 113;
inline constexpr int kIdOptionsDialog = 115;
inline constexpr int kIdAboutDialog = 117;

// Gesture window items.
inline constexpr int kIdGestureTopLeft = 2011;
inline constexpr int kIdGestureTopRight = 2012;
inline constexpr int kIdGestureBottomLeft = 2013;
inline constexpr int kIdGestureBottomRight = 2014;
inline constexpr int kIdGesturePlay = 2031;
inline constexpr int kIdGestureRecord = 2032;

// In/Out options items.
inline constexpr int kIdOptionsTabs = 1170;
inline constexpr int kIdOutputDeviceList = 1160;
inline constexpr int kIdSampleRateList = 1163;
inline constexpr int kIdStereoCheck = 1036;
inline constexpr int kIdBlockSizeSlider = 1034;
inline constexpr int kIdBufferLabel = 1037;
inline constexpr int kIdTestPlay = 1031;
inline constexpr int kIdMidiDeviceList = 1039;
inline constexpr int kIdMoveSliders = 1041;
inline constexpr int kIdMonitorInput = 1042;
inline constexpr int kIdMidiChannel = 1045;
inline constexpr int kIdMidiChannelSpin = 1046;
inline constexpr int kIdRenderThreadsSpin = 1047;

// MIDI response dialog items.
inline constexpr int kIdBendSlider = 1077;
inline constexpr int kIdBendLabel = 1078;
inline constexpr int kIdFirstResponseSource = 3301;  // 3301..3306
inline constexpr int kIdFirstResponseParam = 3401;   // 3401..3406
inline constexpr int kIdFirstResponseFrom = 3501;    // 3501..3506
inline constexpr int kIdFirstResponseTo = 3601;      // 3601..3606

// Menu commands.
inline constexpr int kCmdEscape = 2;
inline constexpr int kCmdHelp = 83;
inline constexpr int kCmdLoadSoundfile = 40001;
inline constexpr int kCmdExit = 40003;
inline constexpr int kCmdSoundcardOptions = 40004;
inline constexpr int kCmdAbout = 40006;
inline constexpr int kCmdTestTone = 40007;
inline constexpr int kCmdGestureWindow = 40010;
inline constexpr int kCmdSoundView = 40060;
inline constexpr int kCmdLeftChannel = 40014;
inline constexpr int kCmdRightChannel = 40015;
inline constexpr int kCmdNumberSoundfiles = 40016;
inline constexpr int kCmdMidiProgramChange = 40017;
inline constexpr int kCmdMidiResponse = 40018;
inline constexpr int kCmdWrite16Bit = 40027;
inline constexpr int kCmdWrite24Bit = 40028;
inline constexpr int kCmdWrite32Bit = 40029;
inline constexpr int kCmdResetLoopOnPlay = 40030;
inline constexpr int kCmdHardSync = 40031;
inline constexpr int kCmdToggleStereo = 40032;
inline constexpr int kCmdSoftStop = 40033;
inline constexpr int kCmdSoundfileFolder = 40035;
inline constexpr int kCmdController14Bit = 40046;
inline constexpr int kCmdLiveInput = 40047;
inline constexpr int kCmdLinear = 40049;
inline constexpr int kCmdCubic = 40050;
inline constexpr int kCmdSpline = 40052;
inline constexpr int kCmdOneFilePerStream = 40053;
inline constexpr int kCmdFirstRecentFile = 22222;  // 22222 + index, ten entries
inline constexpr int kCmdLastRecentFile = 22231;

// Patch notices.
inline constexpr int kNoticeDefaultPatch = 1400;
inline constexpr int kNoticeDeletedPatch = 1401;
inline constexpr int kNoticeEmptySlot = 1410;
inline constexpr int kNoticeStoredPatch = 1411;
inline constexpr int kNoticeRestoredPatch = 1412;
inline constexpr int kNoticeViewBank = 1600;
inline constexpr int kNoticeLoadedBank = 1601;
inline constexpr int kNoticeSavedBank = 1602;
inline constexpr int kNoticeClosedBank = 1603;
inline constexpr int kNoticeNameBank = 1604;
inline constexpr int kNoticeNothingToSave = 1605;
inline constexpr int kNoticeBankNamePlaceholder = 1606;

// Settings value names.
inline constexpr int kSetBaseKey = 5001;
inline constexpr int kSetSampleRate = 5002;
inline constexpr int kSetSelectedDevices = 5003;
inline constexpr int kSetSoundBuffers = 5004;
inline constexpr int kSetSoundfileOutFolder = 5006;
inline constexpr int kSetSoundfileInFolder = 5007;
inline constexpr int kSetSoundOptions = 5009;
inline constexpr int kSetDoStartupLogin = 5010;
inline constexpr int kSetSoundfileMaxCount = 5011;
inline constexpr int kSetMidiInputChannel = 5020;
inline constexpr int kSetMidiMonitor = 5023;
inline constexpr int kSetFirstMidiResponse = 5030;  // 5030..5036

}  // namespace kornmill
