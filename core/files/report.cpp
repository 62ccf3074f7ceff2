#include "core/files/report.h"

#include "core/common/figuretext.h"
#include "core/network/analysis.h"

#include <QFileInfo>

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

ReportValues reportValues(const DesignRecord &rec, const DesignAnalysis &a)
{
    const GainFigures &gain = a.gainZobelFigures;
    const auto spot = [](bool reached, double dB) { return reached ? figureText(dB) : QString(); };
    return {
        rec.full_bridge_select,
        schematicCaptions(rec),
        {figureText(gain.maximum), spot(gain.has20k, gain.gain20k),
         spot(gain.has384k, gain.gain384k), dissipationFigureText(a.dissipationFigures.at7kHz)}};
}

QByteArray designReport(const DesignRecord &rec, double loadPower)
{
    DesignAnalysis a;
    analyseDesign(rec, loadPower, a, AnalysisPart::GainZobel | AnalysisPart::Dissipation);
    return reportBytes(reportValues(rec, a));
}

QString reportPath(const QString &folder, const QString &name, QChar separator)
{
    return folder.endsWith(separator) ? folder + name : folder + separator + name;
}

bool isReportName(const QString &name)
{
    return name.contains(QLatin1String(".txt"), Qt::CaseInsensitive);
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
