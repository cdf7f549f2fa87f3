// SPDX-License-Identifier: GPL-3.0-or-later
#include "BatchOptions.h"

#include <QDir>
#include <algorithm>

#include "i18n/BatchTexts.h"
#include "i18n/MessageTable.h"
#include "i18n/TextPattern.h"

namespace vm {

namespace {

constexpr int kMostJobs = 1024;

enum class Name {
    Format,
    Output,
    IfExists,
    Size,
    Rate,
    VideoKbps,
    AudioKbps,
    SampleRate,
    Channels,
    Jobs,
    Recursive,
    Json,
    Help,
    Version
};

struct Option {
    const char* name;
    Name id;
    bool takesValue;
};

const Option kOptions[] = {
    {"--format", Name::Format, true},
    {"--output", Name::Output, true},
    {"--if-exists", Name::IfExists, true},
    {"--size", Name::Size, true},
    {"--rate", Name::Rate, true},
    {"--video-kbps", Name::VideoKbps, true},
    {"--audio-kbps", Name::AudioKbps, true},
    {"--sample-rate", Name::SampleRate, true},
    {"--channels", Name::Channels, true},
    {"--jobs", Name::Jobs, true},
    {"--recursive", Name::Recursive, false},
    {"--json", Name::Json, false},
    {"--help", Name::Help, false},
    {"-h", Name::Help, false},
    {"--version", Name::Version, false},
    {"-v", Name::Version, false},
};

const Option* findOption(const QString& name) {
    for (const Option& option : kOptions) {
        if (name == QLatin1String(option.name)) {
            return &option;
        }
    }
    return nullptr;
}

// The position of value among choices ("avi|wmv|mp3"), -1 when it is none of them.
int choiceOf(const QString& value, const char* choices) {
    return int(QString::fromLatin1(choices).split(QLatin1Char('|')).indexOf(value));
}

class Parser {
  public:
    Parser(const BatchTexts& texts, const MessageTable& messages)
        : texts_(texts), messages_(messages) {}

    // Applies one option; false (with error()) when its value is not one it takes.
    bool apply(Name id, const QString& name, const QString& value, BatchOptions& o) {
        ConversionSettings& s = o.settings;
        switch (id) {
            case Name::Format:
                return choose(name, value, "avi|wmv|mp3", [&](int i) {
                    s.format = std::array{OutputFormat::Avi, OutputFormat::Wmv,
                                          OutputFormat::Mp3}[size_t(i)];
                });
            case Name::IfExists:
                // No choice asks: nobody is there to answer.
                return choose(name, value, "rename|skip|overwrite", [&](int i) {
                    s.policy = std::array{ConflictPolicy::RenameAutomatically, ConflictPolicy::Skip,
                                          ConflictPolicy::Overwrite}[size_t(i)];
                });
            case Name::Channels:
                // The window's channels box: its first entry is stereo.
                return choose(name, value, "2|1", [&](int i) { s.channelIndex = i; });
            case Name::Output:
                if (value.isEmpty()) {
                    error_ = messages_[Message::NoOutputFolder];
                    return false;
                }
                o.output = value;
                return true;
            case Name::Jobs: {
                bool ok = false;
                const int jobs = value.toInt(&ok);
                if (!ok || jobs < 1 || jobs > kMostJobs) {
                    error_ = FillIn(texts_.badValue,
                                    {value, name, QStringLiteral("1-%1").arg(kMostJobs)});
                    return false;
                }
                o.jobs = jobs;
                return true;
            }
            case Name::Size:
                s.frameSize = value;
                return true;
            case Name::Rate:
                s.frameRate = value;
                return true;
            case Name::VideoKbps:
                s.videoBitrate = value;
                return true;
            case Name::AudioKbps:
                s.audioBitrate = value;
                return true;
            case Name::SampleRate:
                s.sampleRate = value;
                return true;
            case Name::Recursive:
                o.recursive = true;
                return true;
            case Name::Json:
                o.json = true;
                return true;
            case Name::Help:
            case Name::Version:
                break;
        }
        return true;
    }

    const QString& error() const { return error_; }

  private:
    template <typename Set>
    bool choose(const QString& name, const QString& value, const char* choices, Set set) {
        const int i = choiceOf(value.toLower(), choices);
        if (i < 0) {
            error_ = FillIn(texts_.badValue, {value, name,
                                              QString::fromLatin1(choices).replace(
                                                  QLatin1Char('|'), QStringLiteral(", "))});
            return false;
        }
        set(i);
        return true;
    }

    const BatchTexts& texts_;
    const MessageTable& messages_;
    QString error_;
};

BatchCommandLine failed(QString error) {
    BatchCommandLine line;
    line.action = BatchCommandLine::Action::Error;
    line.error = std::move(error);
    return line;
}

}  // namespace

int DefaultJobs(int cores) {
    return std::max(1, cores / 2);
}

BatchCommandLine ParseBatchCommandLine(const QStringList& args, const QString& workingFolder,
                                       int defaultJobs, const BatchTexts& texts,
                                       const MessageTable& messages) {
    BatchCommandLine line;
    BatchOptions& o = line.options;
    o.jobs = defaultJobs;
    Parser parser(texts, messages);
    const QDir here(workingFolder);
    bool options = true;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (options && arg == QLatin1String("--")) {
            options = false;
            continue;
        }
        if (!options || arg.size() < 2 || !arg.startsWith(QLatin1Char('-'))) {
            o.paths.append(QDir::cleanPath(here.absoluteFilePath(arg)));
            continue;
        }
        const qsizetype equals =
            arg.startsWith(QLatin1String("--")) ? arg.indexOf(QLatin1Char('=')) : -1;
        const QString name = equals < 0 ? arg : arg.left(equals);
        const Option* option = findOption(name);
        if (!option || (equals >= 0 && !option->takesValue)) {
            return failed(FillIn(texts.unknownOption, {arg}));
        }
        if (option->id == Name::Help || option->id == Name::Version) {
            line.action = option->id == Name::Help ? BatchCommandLine::Action::Help
                                                   : BatchCommandLine::Action::Version;
            return line;
        }
        QString value;
        if (equals >= 0) {
            value = arg.mid(equals + 1);
        } else if (option->takesValue) {
            if (++i >= args.size()) {
                return failed(FillIn(texts.needsValue, {name}));
            }
            value = args.at(i);
        }
        if (!parser.apply(option->id, name, value, o)) {
            return failed(parser.error());
        }
    }
    if (o.paths.isEmpty()) {
        return failed(texts.noPaths);
    }
    if (!o.output.isEmpty()) {
        o.output = QDir::cleanPath(here.absoluteFilePath(o.output));
    }
    return line;
}

QString BatchHelpText() {
    return QStringLiteral(
        "Usage: vidmorf-batch [OPTION]... PATH...\n"
        "Convert Flash video (FLV) into AVI, WMV or MP3 without a window.\n"
        "\n"
        "Each PATH is a .flv file or a folder whose .flv files are converted.\n"
        "\n"
        "  --format avi|wmv|mp3          output format (avi)\n"
        "  --output DIR                  put the targets into DIR (beside each source)\n"
        "  --if-exists rename|skip|overwrite\n"
        "                                when a target exists: add _new to the name,\n"
        "                                leave the source out, or replace it (rename)\n"
        "  --size WxH                    frame size (320x240)\n"
        "  --rate R                      frame rate (29.97)\n"
        "  --video-kbps N                video bit rate in kb/s (360)\n"
        "  --audio-kbps N                audio bit rate in kb/s (56)\n"
        "  --sample-rate HZ              audio sample rate (22050)\n"
        "  --channels 1|2                mono or stereo (2)\n"
        "  --recursive                   also the folders below each folder given; their\n"
        "                                tree is mirrored under --output\n"
        "  --jobs N                      convert N files at once (one per two cores)\n"
        "  --json                        one JSON object per file and one for the summary\n"
        "  -h, --help                    show this help and exit\n"
        "  -v, --version                 show the version and exit\n"
        "\n"
        "Exit status: 0 when every file was converted or skipped, 1 when any failed,\n"
        "2 for a wrong command line, 130 after Ctrl+C.\n");
}

QString BatchVersionText() {
    return QStringLiteral("vidmorf-batch 0.9\n");
}

}  // namespace vm
