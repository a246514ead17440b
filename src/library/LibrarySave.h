#pragma once

#include "LibraryLock.h"
#include "MaterialLibrary.h"

#include <QString>
#include <QStringList>

namespace quillon {

QString externalChangeQuestion(const QStringList &changedPaths);

using RenameFunction = int (*)(const char *from, const char *to);
// Called with the name of each step a save has just finished: "locked", "checked", "written",
// "committed", "placed".
using SaveStepHook = void (*)(const char *step);
struct SaveOptions {
    RenameFunction rename = nullptr; // nullptr: the system's rename
    SaveStepHook afterStep = nullptr;
    // The user agreed to replace library files that are marked read-only.
    bool replaceReadOnly = false;
};

enum class SaveStatus {
    Saved,
    Failed,
    // Another program was saving this library: nothing was written.
    Busy,
    // Nothing was written; `message` is a question for the user (No keeps the files).
    NeedsConsent,
};

struct SaveOutcome {
    bool ok = false;
    SaveStatus status = SaveStatus::Failed;
    // For the user when not empty, also after a save that succeeded with a caveat.
    QString message;
    // What each file now holds, as far as this save changed it; `known` otherwise.
    LibraryStamps stamps;
    // With NeedsConsent: what the question is about.
    LibraryStamps found;
    bool readOnlyFound = false;
};

// After the user said Yes to a NeedsConsent outcome: what to save with next, so that the save
// replaces what the question named, but asks again should the files change in the meantime.
void agreeToOverwrite(const SaveOutcome &question, LibraryStamps &known, SaveOptions &options);

// Writes both files so that a kill or a failure leaves the old pair or the new pair (after
// recoverInterruptedSave). A folder that refuses new files while the files are writable gets
// them written in place, without that protection, and the message says so. Holds the folder's
// exclusive lock throughout; files that changed since `known` (Unknown stamps: not checked) or
// are marked read-only are not replaced without consent. The check and the writes are one step
// for every program that saves through here.
SaveOutcome saveLibraryFiles(const QString &materialPath, const QString &colorPath,
                             const MaterialLibrary &library, const LibraryStamps &known = {},
                             const SaveOptions &options = {});

} // namespace quillon
