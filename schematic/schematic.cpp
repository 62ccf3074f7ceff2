#include "schematic/schematic.h"

#include "schematic/symbols.h"

#include <QPainter>

namespace {

using namespace symbols;
using S = SchematicCaptions;

constexpr double kLine = 60;     // the signal line
constexpr double kBottom = 197;  // the wire to ground
constexpr double kZobel = 247;
constexpr double kZobelNode = 122;
constexpr double kZobelR = 330;
constexpr double kSpeaker = 476;

void drawHalfBridge(QPainter &p)
{
    // Input and filter inductor.
    text(p, {16, 46}, QStringLiteral("To PWM Stage"), kPinText);
    wire(p, {{16, kLine}, {104, kLine}});
    coil(p, {104, kLine}, {146, kLine}, 3);
    centredText(p, 125, 40, QStringLiteral("LFilter"));

    // Filter capacitor to the bottom wire.
    wire(p, {{146, kLine}, {352, kLine}});
    capacitor(p, {178, kLine}, {178, kBottom});
    text(p, {192, 132}, QStringLiteral("CFilter"));

    // Zobel network: the optional capacitor across the resistor, then the series capacitor.
    capacitor(p, {kZobel, kLine}, {kZobel, kZobelNode});
    text(p, {258, 92}, QStringLiteral("** CZobel_Par"));
    resistor(p, {kZobelR, kLine}, {kZobelR, kZobelNode});
    text(p, {346, 100}, QStringLiteral("RZobel_Par"));
    wire(p, {{kZobel, kZobelNode}, {kZobelR, kZobelNode}});
    capacitor(p, {kZobel, kZobelNode}, {kZobel, kBottom});
    text(p, {258, 164}, QStringLiteral("CZobel_Ser"));
    wire(p, {{178, kBottom}, {kZobel, kBottom}, {kZobel, kBottom + 8}});
    ground(p, {kZobel, kBottom + 8});
    text(p, {293, 210}, QStringLiteral("** Optional"));

    // DC blocking capacitor and the output.
    capacitor(p, {352, kLine}, {392, kLine});
    centredText(p, 372, 26, QStringLiteral("1000uF"));
    centredText(p, 372, 40, QStringLiteral("CDC_blocking"));
    wire(p, {{392, kLine}, {416, kLine}});
    connector(p, {428, kLine});

    // The speaker: resistance in series with the voice coil, to ground.
    connector(p, {468, kLine});
    wire(p, {{468, kLine}, {kSpeaker, kLine}, {kSpeaker, 80}});
    resistor(p, {kSpeaker, 80}, {kSpeaker, 124});
    text(p, {488, 116}, QStringLiteral("RSpeaker"));
    wire(p, {{kSpeaker, 124}, {kSpeaker, 136}});
    coil(p, {kSpeaker, 136}, {kSpeaker, 184}, 3, Side::Down);
    text(p, {488, 172}, QStringLiteral("LSpeaker"));
    wire(p, {{kSpeaker, 184}, {kSpeaker, 200}});
    ground(p, {kSpeaker, 200});

    for (const QPointF at : {QPointF(178, kLine), QPointF(kZobel, kLine), QPointF(kZobelR, kLine),
                             QPointF(kZobel, kZobelNode), QPointF(kZobel, kBottom)})
        junction(p, at);
}

}  // namespace

Schematic::Schematic(QWidget *parent)
    : SchematicWindow({"Schematic",
                       "Half Bridge Schematic",
                       {1440, 1320, 8415, 4455},
                       drawHalfBridge,
                       {{"Label_lfilter", &S::lfilter, 1680, 1080, 495},
                        {"Label_cfilter", &S::cfilter, 2880, 2040, 495},
                        {"Label_rzobel_par", &S::rzobel_par, 5280, 1560, 495},
                        {"Label_czobel_par", &S::czobel_par, 3960, 1440, 615},
                        {"Label_czobel_ser", &S::czobel_ser, 3960, 2520, 495},
                        {"Label_lspeaker", &S::lspeaker, 7440, 2640, 615},
                        {"Label_rspeaker", &S::rspeaker, 7440, 1800, 615}}},
                      parent)
{
}
