#pragma once

// What the command line's commands share: the parsed options, the design they describe, and the
// refusal that ends a command line.

#include "core/measured/measuredload.h"
#include "core/network/designrecord.h"
#include "core/parts/partslibrary.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <variant>

// Why the command line was refused, as its one line on standard error.
struct Refusal {
    QString message;
};

// What a command writes to standard output, or why it was refused.
using Outcome = std::variant<QByteArray, Refusal>;

// "--name: "given" is not accepted; accepted: ..."
Refusal notAccepted(const QString &option, const QString &given, const QString &accepted);

struct Invocation {
    const QCommandLineParser &parser;
    QStringList words;  // the words after the command's own
    DesignRecord design;
    double loadPower = 50.0;
    std::shared_ptr<const MeasuredLoad> loadFile;  // --load-file, when given
    PartsLibrary library;  // the --design file's parts, in the place of the user's library
};

// The commands.
Outcome reportCommand(const Invocation &in);
Outcome csvCommand(const Invocation &in);
Outcome netlistCommand(const Invocation &in);
Outcome fitCommand(const Invocation &in);
Outcome exploreCommand(const Invocation &in);
Outcome stressCommand(const Invocation &in);
Outcome toleranceCommand(const Invocation &in);
Outcome synthesizeCommand(const Invocation &in);

// The tolerance command's own options (tolerance.cpp), refused by the other commands.
void addToleranceOptions(QCommandLineParser &parser);
QStringList toleranceOptionNames();

// The design assistant's limits (synthesize.cpp), refused by the other commands.
void addSynthesizeOptions(QCommandLineParser &parser);
QStringList synthesizeOptionNames();

// The switching carrier's options (stress.cpp): --supply, --fsw, --modulation, ... into the
// design's carrier inputs, through the carrier window's rules.
void addCarrierOptions(QCommandLineParser &parser);
std::optional<Refusal> readCarrierOptions(const QCommandLineParser &parser, DesignRecord &design);
