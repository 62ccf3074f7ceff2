#pragma once

#include "core/network/designrecord.h"
#include "core/files/graphfiles.h"
#include "core/measured/voicecoil.h"

#include <QByteArray>

// The design and its topology as an ngspice netlist whose batch run (ngspice -b) prints the
// graph's quantity over the sweep's 100 Hz to 1 MHz: the speaker's impedance in ohm (the speaker
// alone, fed 1 A), the filter's gain in dB without or with the Zobel network, or the output
// impedance in ohm the speaker sees (drive shorted, speaker removed, fed 1 A). The first line
// names the design values as the report does. Parts of value 0 are left out (a capacitor as open,
// an inductor as short); without a series capacitor the whole Zobel branch is. The attached parts'
// parasitics are elements of their own (parasitics.h). Empty for the dissipation graph, which no
// netlist reproduces.
// With a voice-coil model, the speaker is that model, Re + Le in series with R2 || L2, in place of
// the design's resistance and inductance (a measured speaker's fit).
QByteArray spiceNetlist(const DesignRecord &rec, GraphKind kind,
                        const VoiceCoil *voiceCoil = nullptr);
