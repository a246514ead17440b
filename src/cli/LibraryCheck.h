#pragma once

#include <QByteArrayView>
#include <QString>
#include <vector>

namespace quillon {

enum class FindingKind { Problem, Note };

struct CheckFinding {
    QString file;
    int line = 0;
    FindingKind kind = FindingKind::Problem;
    QString message;
};

struct CheckResult {
    int materialCount = 0;
    std::vector<CheckFinding> findings;

    int count(FindingKind kind) const;
};

// What the window's readers make of the two files' contents, line by line: problems change
// or lose what the window loads; notes only say where a save would rewrite the files.
// A colour file that could not be read has `colorProblem`, a note on the whole file.
CheckResult checkLibrary(QByteArrayView materialData, QByteArrayView colorData,
                         const QString &materialFile, const QString &colorFile,
                         const QString &colorProblem = {});

// "FILE:LINE: message" or "FILE:LINE: note: message"; without ":LINE" for line 0.
QString formatFinding(const CheckFinding &finding);
// "999 materials, 0 problems, 3 notes"
QString checkSummary(const CheckResult &result);

} // namespace quillon
