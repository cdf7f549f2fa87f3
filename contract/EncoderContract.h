// SPDX-License-Identifier: GPL-3.0-or-later
// The contract between the front ends (the window, the batch program) and coder.dll. Both sides
// include this folder, and nothing else ties them together: the window writes the encoder's
// command line (EncoderSwitches.h) into a script, runs it, reads the log that the script's error
// output goes to, and judges the file by the log's last line and the exit status; coder.dll
// writes that log. Change a line here and both sides change with it.
//
// The log: lines about the source and the target first; then progress lines, each ended by a
// bare CR, at most one each kProgressIntervalMs; then, on success only, the last progress line
// (with "L" before "size="), CR LF, and the statistics line, the only line that begins with
// "video"; on failure a line kErrorPrefix + "..." instead; before them, notes
// (kNotePrefix) on what the encoder changed or skipped. Text from outside (names, option values)
// has its control characters escaped, so it cannot start a line.
#pragma once

#include <string_view>

namespace contract {

// In the program folder. Force stop ends the processes of this name, in any letter case, in
// the group of the script it started.
inline constexpr std::string_view kEncoderFile = "coder.dll";
inline constexpr std::string_view kEncoderProcess = "CODER.DLL";

// In the temporary folder: the script holding the command line, which ends in " 2>" and the
// log's path; the window reads what the log gained every kLogReadMs.
inline constexpr std::string_view kScriptFile = "tmp.bat";
inline constexpr std::string_view kLogFile = "tmp";
inline constexpr int kLogReadMs = 150;

// How the encoder ends: converted, failed (the log's last line says why), or refused its
// command line (a switch or its value; the last line begins with kErrorPrefix + kOptionPrefix
// and the switch's name, then ": ").
inline constexpr int kExitConverted = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitRefused = 2;
inline constexpr std::string_view kErrorPrefix = "Error: ";
inline constexpr std::string_view kNotePrefix = "Note: ";
inline constexpr std::string_view kOptionPrefix = "option ";

// The progress lines: with video, and for a target without video. "%s" is "L" on the last.
inline constexpr char kVideoProgressLine[] =
    "frame=%5d q=%2.1f %ssize=%8.0fkB time=%0.1f bitrate=%6.1fkbits/s    ";
inline constexpr char kAudioProgressLine[] = "size=%8.0fkB time=%0.1f bitrate=%6.1fkbits/s    ";
// At most one progress line in this time, but the last.
inline constexpr int kProgressIntervalMs = 500;
// The window cuts each figure out between two of these marks.
inline constexpr std::string_view kFrameMark = "frame=", kQuantiserMark = "q=", kSizeMark = "size=",
                                  kSizeEndMark = "kB time=", kTimeMark = "time=",
                                  kBitrateMark = "bitrate=", kBitrateEndMark = "kbits";

// The statistics line, which closes a successful log.
inline constexpr char kStatsLine[] =
    "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%";
// A file was converted when, and only when, the last line of its log begins with this.
inline constexpr std::string_view kDoneMark = "video";
constexpr bool IsDoneLine(std::string_view lastLine) {
    return lastLine.substr(0, kDoneMark.size()) == kDoneMark;
}
static_assert(std::string_view(kStatsLine).substr(0, kDoneMark.size()) == kDoneMark);

}  // namespace contract
