#pragma once

// The program's fixed texts, in one place. They are shown or written exactly as they stand
// (the typo in kMsgFeedFailed included: users and their screenshots know it that way).

#include <string_view>

namespace kestrova::texts {

// Message boxes.
inline constexpr std::u16string_view kMsgBadReference = u"VideoID / URLの形式に誤りがあります。";
inline constexpr std::u16string_view kMsgFeedFailed = u"Vidoeデータが取得できません。";
inline constexpr std::u16string_view kMsgSelectToPlay = u"再生したVideoを選択してください.";
inline constexpr std::u16string_view kMsgSelectToDelete = u"削除したいデータを選択してください.";

// Menu and command texts.
inline constexpr std::u16string_view kAboutMenuItem =
    u"バージョン情報 Kestrova(&A)..."; // string 101
inline constexpr std::u16string_view kGetTitleCommand = u"タイトル取得";

// Start-up lines on standard output.
inline constexpr std::string_view kDebugSwitch = "-D274";
inline constexpr std::string_view kLineDebugModeOn = "DEBUGMODE ON\n";
inline constexpr std::string_view kLineStartDebugMode = "********** Start DEBUG MODE  *******\n";
inline constexpr std::string_view kLinePortableStart = "PORTABLE VERSION START\n";
inline constexpr std::string_view kLineCurrentDirPrefix = "CurrentDir=";
// Which yt-dlp plays the service's addresses, in debug mode: "yt-dlp=<path> <version>".
inline constexpr std::string_view kYtDlpProgram = "yt-dlp";
inline constexpr std::string_view kYtDlpLinePrefix = "yt-dlp=";
inline constexpr std::string_view kYtDlpNone = "none";
inline constexpr std::string_view kYtDlpVersionUnknown = "unknown";
inline constexpr std::string_view kYtDlpOutOfDate = " (out of date)";
// The folder, in the user's data folder ($XDG_DATA_HOME), of what Kestrova fetches and runs.
inline constexpr std::string_view kOwnFolderName = "kestrova";
// Where the current yt-dlp release's files are; their names are appended.
inline constexpr std::string_view kDefaultYtDlpReleaseUrl =
    "https://github.com/yt-dlp/yt-dlp/releases/latest/download/";
// The release key the yt-dlp project signs its checksums with, as the package installs it.
inline constexpr std::string_view kYtDlpReleaseKeyFile = "yt-dlp-release-key.asc";
// The program the engine's yt-dlp hook runs in place of yt-dlp: it hands over a kept answer.
inline constexpr std::string_view kAnswerProgram = "kestrova-ytdl-answer";
// Running on Wayland itself, in debug mode: no window can be kept above the others there.
inline constexpr std::string_view kLineTopMostWithoutEffect =
    "platform=wayland: Top Most has no effect (Wayland lets no program keep a window above "
    "the others)";

// Feed retrieval.
inline constexpr std::string_view kUserAgent = "HTTP Get Youtube Application ver-1.00";
// Diagnostic for a transfer failure: libcurl's error number, then its text.
inline constexpr std::u16string_view kFeedExceptionFormat =
    u"例外が発生しました。\r\nエラー: %d\r\n%s";

// Service addresses; the video ID is appended to each (percent-encoded).
inline constexpr std::string_view kDefaultFeedUrl =
    "https://www.youtube.com/oembed?format=xml&url=https://www.youtube.com/watch?v=";
inline constexpr std::string_view kDefaultPlayerUrl = "http://www.youtube.com/v/";
inline constexpr std::string_view kMovieQuery = "?version=3&rel=0&autoplay=1&loop=1";
// A video's page on the service, as the desktop's media controls name it.
inline constexpr std::string_view kServicePageUrl = "https://www.youtube.com/watch?v=";

// The line the player window shows over the movie when it cannot be played.
inline constexpr std::u16string_view kPlaybackFailedRefused =
    u"再生できません: サーバーが拒否しました (HTTP %d)";
inline constexpr std::u16string_view kPlaybackFailedUnreachable =
    u"再生できません: サーバーに接続できません";
inline constexpr std::u16string_view kPlaybackFailedNotMedia =
    u"再生できません: 動画の形式を認識できません";
inline constexpr std::u16string_view kPlaybackFailedYtdlMissing =
    u"再生できません: yt-dlp が見つかりません (インストールしてください)";
inline constexpr std::u16string_view kPlaybackFailedYtdlError =
    u"再生できません: yt-dlp が動画を取得できません (yt-dlp を更新してください)";
// yt-dlp ran for a service address and failed: usually it is older than the service's pages.
// Then its version ("%s"), or kPlaybackYtdlVersionUnknown.
inline constexpr std::u16string_view kPlaybackFailedYtdlOutdated =
    u"再生できません: yt-dlp が古い可能性があります (バージョン %s)";
inline constexpr std::u16string_view kPlaybackYtdlVersionUnknown = u"不明";
inline constexpr std::u16string_view kPlaybackFailedOther = u"再生できません: %s";
// The movie engine's module could not be loaded or started; then the technical reason.
inline constexpr std::u16string_view kPlaybackFailedNoEngine =
    u"再生できません: 再生エンジンを読み込めません (%s)";
inline constexpr std::u16string_view kPlaybackHintYtdlMissing = u" / yt-dlp が見つかりません";
// What yt-dlp's failures tell: the service's refusals, each its own line.
inline constexpr std::u16string_view kPlaybackFailedBotCheck =
    u"再生できません: "
    u"サービスが一時的にアクセスを制限しています。しばらくしてから再生してください。";
inline constexpr std::u16string_view kPlaybackFailedUnavailable =
    u"再生できません: この動画は削除されたか、非公開です。";
inline constexpr std::u16string_view kPlaybackFailedSignIn =
    u"再生できません: この動画の再生にはログインが必要です。";
inline constexpr std::u16string_view kPlaybackFailedRegion =
    u"再生できません: この地域では再生できない動画です。";
inline constexpr std::u16string_view kPlaybackFailedNotYetLive =
    u"再生できません: ライブ配信はまだ始まっていません。";
inline constexpr std::u16string_view kPlaybackFailedNoNetwork =
    u"再生できません: サービスに接続できません。ネットワークを確認してください。";
inline constexpr std::u16string_view kPlaybackFailedNoJsRuntime =
    u"再生できません: JavaScript ランタイムがありません (Deno または Node.js 20 "
    u"以降をインストールしてください)";
// A new yt-dlp was needed and could not be had; then why.
inline constexpr std::u16string_view kPlaybackFailedYtdlUpdate =
    u"再生できません: yt-dlp を更新できませんでした (%s)";
// yt-dlp gave no answer in time; then the seconds waited.
inline constexpr std::u16string_view kPlaybackFailedYtdlTimeOut =
    u"再生できません: yt-dlp が %d 秒以内に応答しませんでした";

// The player window's title.
inline constexpr std::u16string_view kPlayerTitle = u"Player";

// The player's control bar: tooltips and accessible names.
inline constexpr std::u16string_view kPlay = u"再生";
inline constexpr std::u16string_view kPause = u"一時停止";
inline constexpr std::u16string_view kSeekBar = u"再生位置";
inline constexpr std::u16string_view kVolume = u"音量";
inline constexpr std::u16string_view kMute = u"ミュート";
inline constexpr std::u16string_view kSpeed = u"再生速度";
inline constexpr std::u16string_view kQuality = u"画質";
inline constexpr std::u16string_view kQualityAutomatic = u"自動"; // the height the screen has
inline constexpr std::u16string_view kCaptions = u"字幕";
inline constexpr std::u16string_view kCaptionsOff = u"オフ";
// After the name of captions the service made itself.
inline constexpr std::u16string_view kCaptionsAutomatic = u" (自動生成)";
// The one menu that holds the bar's menus when the window is too narrow for their buttons.
inline constexpr std::u16string_view kSettings = u"設定";
// Shown over the movie until its first frame, and while playback waits for the network; then
// how much of what it waits for has arrived, when known.
inline constexpr std::u16string_view kLoading = u"読み込み中…";
inline constexpr std::u16string_view kLoadingPercent = u"読み込み中… %d%%";
// Shown instead while a new yt-dlp is fetched for the video.
inline constexpr std::u16string_view kUpdatingYtDlp = u"yt-dlp を更新しています…";

// The maker's home page, opened by the "Powered By" and "Web Page" links.
inline constexpr std::string_view kMakerHomePage = "https://corvanel.example.org/";

// Data files and their keys.
inline constexpr std::u16string_view kSettingsFileName = u"Kestrova.ini";
inline constexpr std::u16string_view kHistoryFileName = u"History.ini";
// Locked by the Kestrova that runs with the data folder; it holds that process's id.
inline constexpr std::u16string_view kLockFileName = u"Kestrova.lock";
inline constexpr std::u16string_view kSectionSystem = u"SYSTEM";
inline constexpr std::u16string_view kKeyVideoId = u"VIDEOID";
inline constexpr std::u16string_view kKeyTitle = u"TITLE";
inline constexpr std::u16string_view kKeyCount = u"COUNT";
// Where a history record's video was left, in whole seconds (the Windows program ignores it).
inline constexpr std::u16string_view kKeyPosition = u"POSITION";
inline constexpr std::u16string_view kSectionItemPrefix = u"ITEM";
inline constexpr std::u16string_view kSectionNetwork = u"NETWORK";
inline constexpr std::u16string_view kKeyFeedUrl = u"FEEDURL";
inline constexpr std::u16string_view kKeyPlayerUrl = u"PLAYERURL";
inline constexpr std::u16string_view kKeyYtDlpUrl = u"YTDLPURL"; // empty: never fetch yt-dlp
inline constexpr std::u16string_view kKeyYtDlpKey = u"YTDLPKEY"; // another release key file
// The player window's place, size and state (Kestrova.ini; the Windows program ignores it).
inline constexpr std::u16string_view kSectionPlayer = u"PLAYER";
inline constexpr std::u16string_view kKeyX = u"X";
inline constexpr std::u16string_view kKeyY = u"Y";
inline constexpr std::u16string_view kKeyWidth = u"WIDTH";
inline constexpr std::u16string_view kKeyHeight = u"HEIGHT";
inline constexpr std::u16string_view kKeyMaximized = u"MAXIMIZED";
inline constexpr std::u16string_view kKeyFormat = u"FORMAT"; // a yt-dlp format selection
inline constexpr std::u16string_view kKeyVolume = u"VOLUME";
inline constexpr std::u16string_view kKeyMute = u"MUTE";
inline constexpr std::u16string_view kKeySpeed = u"SPEED";      // percent of the normal speed
inline constexpr std::u16string_view kKeyQuality = u"QUALITY";  // the tallest picture; 0: automatic
inline constexpr std::u16string_view kKeyCaptions = u"SUBLANG"; // a language; empty: no captions

// Main window and About box.
inline constexpr std::u16string_view kAboutSecondLine = u"Copyright (C) 2026 Corvanel";
inline constexpr std::u16string_view kVersionLabelPrefix = u"Ver.:";  // then the product version
inline constexpr std::u16string_view kAboutNamePrefix = u"Kestrova "; // then the version label
inline constexpr std::u16string_view kSystemMenuMinimize = u"最小化(&N)";
inline constexpr std::u16string_view kSystemMenuClose = u"閉じる(&C)\tAlt+F4";

// What the desktop is told: the program's name in its media controls and beside its
// screensaver inhibition, and the inhibition's reason.
inline constexpr std::u16string_view kProgramName = u"Kestrova";
inline constexpr std::u16string_view kScreenSaverReason = u"動画を再生しています";

} // namespace kestrova::texts
