#include "savefile.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

std::optional<FileFailure> writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    const auto failure = [&file] {
        return FileFailure{static_cast<int>(file.error()), file.errorString()};
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure();
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
