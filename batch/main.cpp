// SPDX-License-Identifier: GPL-3.0-or-later
// vidmorf-batch: the window's conversion rules for folder trees, without a window.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "BatchOptions.h"
#include "BatchReport.h"
#include "SourceTree.h"
#include "SystemBackEnds.h"
#include "Unattended.h"
#include "ValueCheck.h"
#include "contract/EncoderContract.h"
#include "convert/RunEngine.h"
#include "convert/TargetNaming.h"
#include "i18n/BatchTexts.h"
#include "i18n/DesktopTexts.h"
#include "i18n/LanguagePacks.h"
#include "i18n/LanguageTexts.h"
#include "i18n/TextPattern.h"
#include "platform/Console.h"
#include "platform/paths/PathBytes.h"
#include "platform/real/JobGuard.h"
#include "platform/real/StopSignals.h"

namespace {

constexpr int kUsage = 2;
constexpr int kFailed = 1;
constexpr int kRedrawMs = 500;
// How long a stopped encoder has to remove what it was writing before it is killed.
constexpr int kStopGraceMs = 3000;

// Where the language packs are: the program folder, unless the launcher names the program
// folder of the user's own (where a system-wide install keeps the user's chosen language).
QString PackFolder(const QString& programFolder) {
    const QByteArray given = qgetenv("VIDMORF_PACK_DIR");
    if (given.isEmpty()) {
        return programFolder;
    }
    const QString folder = vm::PathFromBytes(given);
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

struct Texts {
    vm::MessageTable messages;
    vm::DesktopTexts desktop;
    vm::BatchTexts batch;
};

// As the window takes them: from the marked pack, the built-in Chinese when none is marked.
Texts ReadTexts(const vm::FileSystem& files, const vm::ProfileFiles& profiles,
                const QString& packFolder) {
    const QString remembered = vm::ScanLanguagePacks(files, profiles, packFolder).remembered;
    const QString pack = remembered.isEmpty()
                             ? QString()
                             : vm::FindLanguagePack(files, profiles, packFolder, remembered);
    return {vm::ReadLanguageTexts(profiles, pack).messages, vm::ReadDesktopTexts(profiles, pack),
            vm::ReadBatchTexts(profiles, pack)};
}

void PrintLine(std::FILE* stream, const QString& text) {
    const QByteArray bytes = vm::PathToBytes(text);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

int Complain(const QString& text, int status) {
    PrintLine(stderr, QStringLiteral("vidmorf-batch: ") + text);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    vm::StartJobGuard();  // before any thread: encoder jobs end with the program, however it ends
    vm::PrepareConsoleOutput();  // a reader that went away must not end the conversions
    QCoreApplication app(argc, argv);
    vm::StopSignals stopSignals;

    // Paths keep their bytes, names that are not UTF-8 included.
    const QStringList args = vm::ArgumentPaths(argc, argv);
    const QString here = vm::CurrentFolder();
    const QString workingFolder = here.isEmpty() ? QStringLiteral("/") : here;
    const QString programFolder = vm::ProgramFolder() + QLatin1Char('/');

    vm::SystemFileSystem files;
    vm::SystemProfileFiles profiles;
    vm::SystemProcesses processes;
    vm::Unattended dialogs;
    const Texts texts = ReadTexts(files, profiles, PackFolder(programFolder));

    const vm::BatchCommandLine line =
        vm::ParseBatchCommandLine(args, workingFolder, vm::DefaultJobs(QThread::idealThreadCount()),
                                  texts.batch, texts.messages);
    switch (line.action) {
        case vm::BatchCommandLine::Action::Help:
            std::fputs(vm::BatchHelpText().toUtf8().constData(), stdout);
            return 0;
        case vm::BatchCommandLine::Action::Version:
            std::fputs(vm::BatchVersionText().toUtf8().constData(), stdout);
            return 0;
        case vm::BatchCommandLine::Action::Error:
            return Complain(line.error, kUsage);
        case vm::BatchCommandLine::Action::Run:
            break;
    }
    const vm::BatchOptions& options = line.options;
    const vm::SourceList list =
        vm::CollectSources(options.paths, options.output, options.recursive, files, texts.batch);
    if (!list.error.isEmpty()) {
        return Complain(list.error, kUsage);
    }
    if (!files.isFile(programFolder + QLatin1StringView(contract::kEncoderFile.data()))) {
        const vm::MessageTable& m = texts.messages;
        return Complain(m[vm::Message::EncoderMissing] + QLatin1Char(' ') +
                            m[vm::Message::EncoderRequired] + QLatin1Char(' ') +
                            m[vm::Message::CannotRun],
                        kFailed);
    }
    const vm::ValueVerdict verdict =
        vm::CheckEncoderValues(files, processes, programFolder, options.settings);
    if (!verdict.accepted) {
        return Complain(
            vm::FillIn(texts.batch.valueRefused, {verdict.option, verdict.value, verdict.reason}),
            kUsage);
    }
    if (stopSignals.received()) {
        return 128 + stopSignals.received();
    }
    // Nobody is there to agree to a new folder: it is made, and every folder above it.
    const QString folderError = vm::MakeFolderPath(files, options.output);
    if (!folderError.isEmpty()) {
        return Complain(folderError, kFailed);
    }

    // Several files at once, so no two of them may be given one target.
    vm::RunEngine run(files, processes, dialogs, texts.messages, programFolder);
    run.setTargetsReserved(true);
    run.setDesktopTexts(&texts.desktop);
    const QString tempError =
        run.prepare(std::max(1, std::min(options.jobs, int(list.sources.size()))));
    if (!tempError.isEmpty()) {
        return Complain(tempError, kFailed);
    }
    const bool terminal = vm::OutputIsTerminal();
    vm::BatchReport report(texts.batch, texts.messages, texts.desktop, options.json, stdout,
                           terminal ? std::function<int()>(vm::TerminalColumns) : nullptr);
    QElapsedTimer clock;
    clock.start();
    QTimer redraw;
    auto drawProgress = [&] { report.showProgress(run.figures(), double(clock.elapsed()) / 1000); };
    QObject::connect(&run, &vm::RunEngine::fileFinished, &app, [&](const vm::FileReport& r) {
        report.fileFinished(r);
        drawProgress();
    });
    QObject::connect(&redraw, &QTimer::timeout, &app, drawProgress);
    auto stop = [&] { run.endEncoders(kStopGraceMs); };
    QObject::connect(&stopSignals, &vm::StopSignals::stopAsked, &run, stop);
    // Queued: a run may end before the event loop runs (nothing to convert, a stop at once).
    QObject::connect(&run, &vm::RunEngine::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (terminal) {
        redraw.start(kRedrawMs);
    }
    run.start(list.sources, [&options] { return options.settings; });
    if (stopSignals.received()) {
        stop();
    }
    QCoreApplication::exec();
    redraw.stop();

    const vm::RunFigures figures = run.figures();
    const bool interrupted = stopSignals.received() != 0;
    report.summary(figures, interrupted, double(clock.elapsed()) / 1000);
    if (interrupted) {
        return 128 + stopSignals.received();
    }
    return figures.failed > 0 ? kFailed : 0;
}
