#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The graphs whose curves leave the program as files: Fig. 1 to 3, the Power window's, and the
// output impedance the speaker sees.
enum class GraphKind { impedance, gain, gainZobel, power, outputImpedance };

// Its name on the command line and in suggested file names ("impedance", "gain", "gain-zobel",
// "power", "output-impedance"), and back.
QString graphName(GraphKind kind);
std::optional<GraphKind> graphNamed(const QString &name);
// The names of all graphs, or of those a SPICE netlist can reproduce (all but the dissipation).
QStringList graphNames(bool netlistOnly);

// The curve as CSV: a header naming each column with its unit ("frequency_Hz,gain_dB"), then one
// line per point, every point included, each number in the shortest text that reads back as the
// same double.
QByteArray curveCsv(GraphKind kind, const std::vector<double> &x, const std::vector<double> &y);
