#pragma once

#include <QByteArray>
#include <QString>

namespace quillon {

inline constexpr qint64 kLibraryFileLimit = qint64(64) * 1024 * 1024;
inline constexpr qint64 kImportFileLimit = qint64(1024) * 1024;

// The system's own words for errno, never "Unknown error" for a known cause.
QString systemReason(int error);
// "200 MiB (209715200 bytes)"
QString sizeText(qint64 bytes);

// What a file held when it was read or written: the content decides whether it changed since.
struct FileStamp {
    enum class State { Unknown, Missing, Unreadable, Present };
    State state = State::Unknown;
    qint64 size = 0;
    QByteArray hash;

    bool sameContent(const FileStamp &other) const
    {
        return state == other.state && size == other.size && hash == other.hash;
    }
};

FileStamp stampOf(const QByteArray &bytes);

struct FileRead {
    enum class Status { Read, Missing, NotRegular, TooLarge, Failed };
    Status status = Status::Failed;
    QByteArray data;
    // For the user when not Read: the reason, without the path.
    QString problem;
    FileStamp stamp;
};

// Opens without blocking (a FIFO never stalls), follows links, and reads only regular files
// of at most `limit` bytes; anything else is refused before a byte is read.
FileRead readRegularFile(const QString &path, qint64 limit);

// The same open and checks for a caller that reads in pieces; -1 and `problem` when refused.
int openRegularFile(const QString &path, qint64 limit, QString &problem,
                    FileRead::Status *status = nullptr);

// The stamp of what is on disk now.
FileStamp currentStamp(const QString &path);

} // namespace quillon
