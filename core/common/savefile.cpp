#include "core/common/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

std::optional<FileFailure> writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    const auto failure = [&file] {
        return FileFailure{static_cast<int>(file.error()), file.errorString()};
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure();
    // The new file takes the place of the old one with the old one's permission bits, and its
    // owner and group where this process may set them: a report made read-only stays read-only.
    struct stat old;
    if (::stat(QFile::encodeName(path).constData(), &old) == 0) {
        if (::fchown(file.handle(), old.st_uid, old.st_gid) != 0) {
            // Not ours to give away: the new file stays the writer's.
        }
        ::fchmod(file.handle(), old.st_mode & 07777);
    }
    // A write cut short by a full disk or a file size limit comes back as a short count with no
    // error set, and commit() would then put the truncated file in place of the old one.
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const int cause = errno;
        return FileFailure{static_cast<int>(QFileDevice::WriteError),
                           cause ? QString::fromLocal8Bit(std::strerror(cause))
                                 : QStringLiteral("The file could not be written whole")};
    }
    if (!file.commit())
        return failure();
    return std::nullopt;
}

std::variant<QByteArray, QString> readFileUpTo(const QString &path, qint64 maxBytes,
                                               const QString &tooLarge)
{
    const QString shown = QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
    const QFileInfo info(path);
    if (!info.exists())
        return shown + QStringLiteral(" does not exist.");
    if (info.isDir())
        return shown + QStringLiteral(" is a folder, not a file.");
    if (info.size() > maxBytes)
        return tooLarge;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return shown + QStringLiteral(" cannot be read: %1.").arg(file.errorString());
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got < 0)
            return shown + QStringLiteral(" cannot be read: %1.").arg(file.errorString());
        if (got == 0)
            break;
        bytes.append(chunk, qsizetype(got));
        if (bytes.size() > maxBytes)
            return tooLarge;
    }
    return bytes;
}
