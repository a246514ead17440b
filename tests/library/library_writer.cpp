// A second program on the same library folder, for the tests and scripts/kill-loop.sh:
//   library_writer FOLDER save SEED [STEP MS [yes|no]]  load, wait for a line on standard
//       input, save writerLibrary(SEED) with the loaded stamps, pausing MS after STEP, and
//       answer the save's questions
//   library_writer FOLDER loop SEED SEED                save both in turn until killed
//   library_writer FOLDER read | recover                load without writing, or recover
//   library_writer FOLDER judge SEED...                 recover, then say whether the pair
//       and the .bak pair are each one writer's whole pair
#include "GeneratedLibrary.h"
#include "LibraryFiles.h"
#include "LibraryStorage.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <iostream>

using namespace quillon;

namespace {

QByteArray g_pauseStep;
unsigned long g_pauseMs = 0;

void pauseAfter(const char *step)
{
    if (g_pauseStep != step)
        return;
    std::printf("at %s\n", step);
    std::fflush(stdout);
    QThread::msleep(g_pauseMs);
}

void say(const QString &word, const QString &text = {})
{
    std::printf("%s %s\n", qPrintable(word), qPrintable(text));
    std::fflush(stdout);
}

// "whole:SEED", "missing" or "mixed"
QString judgePair(const QString &materialPath, const QString &colorPath, const QStringList &seeds)
{
    QByteArrayList files;
    for (const QString &path : {materialPath, colorPath}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return u"missing"_qs;
        files << file.readAll();
    }
    for (const QString &seed : seeds) {
        const auto library = writerLibrary(seed.toUInt());
        if (files == QByteArrayList{writeMaterialFile(*library), writeColorFile(*library)})
            return u"whole:"_qs + seed;
    }
    return u"mixed"_qs;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString material = materialFilePath(args.value(0));
    const QString color = colorFilePath(args.value(0));
    const QString role = args.value(1);
    if (role == u"read") {
        const auto library = std::make_unique<MaterialLibrary>();
        const LoadOutcome outcome = loadLibraryFiles(material, color, *library);
        say(outcome.ok ? u"read"_qs : u"failed"_qs,
            outcome.ok ? QString::number(library->materialCount) + u' ' + outcome.recovery
                       : outcome.message);
        return outcome.ok ? 0 : 1;
    }
    if (role == u"recover" || role == u"judge") {
        const RecoveryOutcome recovery = recoverInterruptedSave(material, color);
        if (role == u"recover" || recovery.busy) {
            say(recovery.busy ? u"busy"_qs : u"recovered"_qs, recovery.message);
            return recovery.ok ? 0 : 1;
        }
        const QStringList seeds = args.mid(2);
        const QString &done = recovery.message;
        say(judgePair(material, color, seeds) + u" bak "_qs +
                judgePair(material + kBackupSuffix, color + kBackupSuffix, seeds),
            done.isEmpty()                          ? u"recovery none"_qs
            : done.contains(u"did not complete"_qs) ? u"recovery dropped"_qs
            : done.contains(u"completed:"_qs)       ? u"recovery completed"_qs
                                                    : u"recovery failed"_qs);
        return 0;
    }
    if (role == u"loop") {
        for (int turn = 0;; turn ^= 1) {
            const auto library = writerLibrary(args.value(2 + turn).toUInt());
            const SaveOutcome outcome = saveLibraryFiles(material, color, *library);
            say(outcome.ok ? u"saved"_qs : u"failed"_qs, outcome.message);
        }
    }
    const auto library = writerLibrary(args.value(2).toUInt());
    g_pauseStep = args.value(3).toLatin1();
    g_pauseMs = args.value(4).toULong();
    const auto scratch = std::make_unique<MaterialLibrary>();
    LibraryStamps known = loadLibraryFiles(material, color, *scratch).stamps;
    say(u"loaded"_qs);
    std::string line;
    std::getline(std::cin, line);
    SaveOptions options;
    options.afterStep = pauseAfter;
    SaveOutcome outcome;
    while ((outcome = saveLibraryFiles(material, color, *library, known, options)).status ==
           SaveStatus::NeedsConsent) {
        say(u"asked"_qs, outcome.message);
        if (args.value(5) != u"yes")
            return int(outcome.status);
        agreeToOverwrite(outcome, known, options);
    }
    say(u"outcome"_qs, outcome.message);
    return int(outcome.status);
}
