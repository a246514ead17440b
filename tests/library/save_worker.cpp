// Saves a library from a separate process, so that tst_faults can limit its file size or kill it
// in the middle of a save without touching the test runner.
//
//   save_worker save SRC_MAT SRC_COL DST_MAT DST_COL LIMIT
//       loads the library from SRC_*, limits files to LIMIT bytes (none when negative), saves it
//       to DST_*, prints the outcome's message and exits with WorkerExit::Saved or SaveFailed.
//   save_worker loop A_MAT A_COL B_MAT B_COL DST_MAT DST_COL
//       loads libraries A and B, prints "running" and saves B, A, B, ... until it is killed.

#include "LibraryStorage.h"
#include "MaterialLibrary.h"

#include <QFile>
#include <QString>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/resource.h>

using namespace quillon;

namespace {

enum class WorkerExit { Saved = 0, SaveFailed = 1, BadArguments = 2, SourceUnreadable = 3 };

int exitCode(WorkerExit code)
{
    return static_cast<int>(code);
}

QString argument(char **argv, int i)
{
    return QFile::decodeName(argv[i]);
}

std::unique_ptr<MaterialLibrary> loadSource(const QString &materialPath, const QString &colorPath)
{
    auto library = std::make_unique<MaterialLibrary>();
    const LoadOutcome outcome = loadLibraryFiles(materialPath, colorPath, *library);
    if (!outcome.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(outcome.message));
        return nullptr;
    }
    return library;
}

int saveOnce(char **argv)
{
    const auto library = loadSource(argument(argv, 2), argument(argv, 3));
    if (!library)
        return exitCode(WorkerExit::SourceUnreadable);
    const long long limit = std::strtoll(argv[6], nullptr, 10);
    if (limit >= 0) {
        // Without this the kernel kills the process at the limit instead of failing the write.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0) {
            std::perror("setrlimit");
            return exitCode(WorkerExit::BadArguments);
        }
    }
    const SaveOutcome outcome = saveLibraryFiles(argument(argv, 4), argument(argv, 5), *library);
    std::printf("%s\n", qPrintable(outcome.message));
    return exitCode(outcome.ok ? WorkerExit::Saved : WorkerExit::SaveFailed);
}

int saveForever(char **argv)
{
    const auto a = loadSource(argument(argv, 2), argument(argv, 3));
    const auto b = loadSource(argument(argv, 4), argument(argv, 5));
    if (!a || !b)
        return exitCode(WorkerExit::SourceUnreadable);
    const QString materialPath = argument(argv, 6);
    const QString colorPath = argument(argv, 7);
    std::printf("running\n");
    std::fflush(stdout);
    for (bool useB = true;; useB = !useB) {
        const SaveOutcome outcome = saveLibraryFiles(materialPath, colorPath, useB ? *b : *a);
        if (!outcome.ok) {
            std::printf("%s\n", qPrintable(outcome.message));
            return exitCode(WorkerExit::SaveFailed);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 7 && std::strcmp(argv[1], "save") == 0)
        return saveOnce(argv);
    if (argc == 8 && std::strcmp(argv[1], "loop") == 0)
        return saveForever(argv);
    std::fprintf(stderr, "usage: save_worker save SRC_MAT SRC_COL DST_MAT DST_COL LIMIT\n"
                         "       save_worker loop A_MAT A_COL B_MAT B_COL DST_MAT DST_COL\n");
    return exitCode(WorkerExit::BadArguments);
}
