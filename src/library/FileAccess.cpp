#include "FileAccess.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLocale>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString sizeText(qint64 bytes)
{
    return QStringLiteral("%1 (%2 bytes)").arg(QLocale::c().formattedDataSize(bytes)).arg(bytes);
}

FileStamp stampOf(const QByteArray &bytes)
{
    FileStamp stamp;
    stamp.state = FileStamp::State::Present;
    stamp.size = bytes.size();
    stamp.hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return stamp;
}

int openRegularFile(const QString &path, qint64 limit, QString &problem, FileRead::Status *status)
{
    auto refuse = [&](FileRead::Status why, const QString &text) {
        if (status)
            *status = why;
        problem = text;
        return -1;
    };
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(errno == ENOENT ? FileRead::Status::Missing : FileRead::Status::Failed,
                      systemReason(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return refuse(FileRead::Status::Failed, systemReason(error));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return refuse(FileRead::Status::NotRegular,
                      S_ISDIR(info.st_mode)
                          ? QStringLiteral("it is a folder")
                          : QStringLiteral("it is not a regular file (a device, pipe or socket)"));
    }
    if (info.st_size > limit) {
        ::close(fd);
        return refuse(FileRead::Status::TooLarge,
                      QStringLiteral("it is %1, more than the %2 allowed")
                          .arg(sizeText(info.st_size), QLocale::c().formattedDataSize(limit)));
    }
    if (status)
        *status = FileRead::Status::Read;
    return fd;
}

FileRead readRegularFile(const QString &path, qint64 limit)
{
    FileRead result;
    const int fd = openRegularFile(path, limit, result.problem, &result.status);
    if (fd < 0) {
        result.stamp.state = result.status == FileRead::Status::Missing
                                 ? FileStamp::State::Missing
                                 : FileStamp::State::Unreadable;
        return result;
    }
    struct stat info {};
    ::fstat(fd, &info);
    // One byte more than the limit tells a file that grew while it was read.
    QByteArray data(qsizetype(std::min<qint64>(info.st_size, limit) + 1), Qt::Uninitialized);
    qsizetype filled = 0;
    while (true) {
        if (filled == data.size()) {
            if (filled > limit)
                break;
            data.resize(std::min<qsizetype>(qsizetype(limit) + 1, data.size() * 2));
        }
        const ssize_t got = ::read(fd, data.data() + filled, size_t(data.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.status = FileRead::Status::Failed;
            result.problem = systemReason(errno);
            break;
        }
        if (got == 0)
            break;
        filled += got;
    }
    ::close(fd);
    if (result.status == FileRead::Status::Read && filled > limit) {
        result.status = FileRead::Status::TooLarge;
        result.problem = QStringLiteral("it grew beyond the %1 allowed while it was read")
                             .arg(QLocale::c().formattedDataSize(limit));
    }
    if (result.status != FileRead::Status::Read) {
        result.stamp.state = FileStamp::State::Unreadable;
        return result;
    }
    data.truncate(filled);
    result.data = std::move(data);
    result.stamp = stampOf(result.data);
    return result;
}

FileStamp currentStamp(const QString &path)
{
    return readRegularFile(path, kLibraryFileLimit).stamp;
}

} // namespace quillon
