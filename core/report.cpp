#include "report.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kValueColumn = 35;

// Label, blanks up to and including column 34, the value, CR LF.
QByteArray line(const char *label, const QString &value)
{
    const QByteArray head(label);
    return head + QByteArray(kValueColumn - 1 - head.size(), ' ') + value.toLatin1() + "\r\n";
}

}  // namespace

QByteArray reportBytes(const ReportValues &v)
{
    const SchematicCaptions &c = v.captions;
    const ReportResults &r = v.results;
    QByteArray out = v.full_bridge_select == kFlagTrue ? "Topology: Full Bridge\r\n"
                                                       : "Topology: Half Bridge\r\n";
    out += line("Lfilter:", c.lfilter);
    out += line("Cfilter:", c.cfilter);
    out += line("Rzobel:", c.rzobel_par + QStringLiteral(" ohms"));
    out += line("Czobel parallel:", c.czobel_par);
    out += line("Czobel series:", c.czobel_ser);
    out += line("Lspeaker:", c.lspeaker);
    out += line("Rspeaker:", c.rspeaker + QStringLiteral(" ohms"));
    out += "\r\n";
    out += line("Maximum Filter Gain:", r.maxgain);
    out += line("Net Filter Gain at 20khz:", r.netgain_20k);
    out += line("Net Filter Gain at 384khz:", r.netgain_384k);
    out += line("RMS power of Rzobel at 7khz:", r.rzobel_power);
    return out;
}

QString reportPath(const QString &folder, const QString &name, QChar separator)
{
    return folder.endsWith(separator) ? folder + name : folder + separator + name;
}

bool isReportName(const QString &name)
{
    return name.contains(QLatin1String(".txt"), Qt::CaseInsensitive);
}

std::optional<FileFailure> writeReport(const QString &path, const QByteArray &bytes)
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
                                 : QStringLiteral("The report could not be written whole")};
    }
    if (!file.commit())
        return failure();
    return std::nullopt;
}

std::optional<FileFailure> folderFailure(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir() && info.isReadable() && info.isExecutable())
        return std::nullopt;
    const QString why = !info.exists()  ? QStringLiteral("does not exist")
                        : !info.isDir() ? QStringLiteral("is not a folder")
                                        : QStringLiteral("cannot be read");
    return FileFailure{static_cast<int>(QFileDevice::OpenError),
                       QStringLiteral("%1 %2").arg(path, why)};
}
