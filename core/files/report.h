#pragma once

#include "core/common/savefile.h"
#include "core/network/analysis.h"
#include "core/network/designrecord.h"
#include "core/network/valuelists.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The main window's result texts the report copies as they stand.
struct ReportResults {
    QString maxgain;
    QString netgain_20k;
    QString netgain_384k;
    QString rzobel_power;
};

// Everything one report is made of.
struct ReportValues {
    Flag full_bridge_select = kFlagFalse;
    SchematicCaptions captions;
    ReportResults results;
};

// The 13-line report: 8-bit text, CR LF after every line, each value starting in column 35.
QByteArray reportBytes(const ReportValues &v);

// The values of a design's report from its analysis, in the texts the main window shows: the
// captions from its remembered texts, Fig. 3's figures, the 7 kHz dissipation.
ReportValues reportValues(const DesignRecord &rec, const DesignAnalysis &a);

// The report of a design computed afresh, with the texts the main window would show for it: the
// captions from its remembered texts, the gain figures from the sweeps and the 7 kHz figure from
// the dissipation sweep at loadPower watts into the speaker.
QByteArray designReport(const DesignRecord &rec, double loadPower);

// The report's full path: folder, one separator (none added when the folder already ends in one,
// as a root does), then the name exactly as typed.
QString reportPath(const QString &folder, const QString &name, QChar separator);

// A report name must contain ".txt", in any letter case, anywhere.
bool isReportName(const QString &name);

// Why a folder cannot be listed, if it cannot (a vanished mount, a root without permission).
std::optional<FileFailure> folderFailure(const QString &path);
