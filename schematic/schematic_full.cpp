#include "schematic/schematic_full.h"

#include "schematic/symbols.h"

#include <QPainter>

namespace {

using namespace symbols;
using S = SchematicCaptions;

constexpr double kUpper = 36;   // the + rail
constexpr double kLower = 339;  // the - rail
constexpr double kCFilter = 233;
constexpr double kZobel = 309;
constexpr double kZobelR = 401;
constexpr double kUpperNode = 103;
constexpr double kMiddle = 187;
constexpr double kLowerNode = 271;
constexpr double kSpeaker = 605;

// One half of the Zobel network: the optional capacitor across the resistor, between rail and node.
void zobelPair(QPainter &p, double top, double bottom, double nameBaseline)
{
    capacitor(p, {kZobel, top}, {kZobel, bottom});
    text(p, {kZobel + 12, nameBaseline}, QStringLiteral("** CZobel_Par"));
    resistor(p, {kZobelR, top}, {kZobelR, bottom});
    text(p, {kZobelR + 11, nameBaseline}, QStringLiteral("RZobel_Par"));
}

void drawFullBridge(QPainter &p)
{
    // Inputs and filter inductors.
    text(p, {20, 28}, QStringLiteral("To PWM Stage +"), kPinText);
    wire(p, {{20, kUpper}, {150, kUpper}});
    coil(p, {150, kUpper}, {208, kUpper}, 4);
    centredText(p, 179, 24, QStringLiteral("LFilter"));
    text(p, {20, 331}, QStringLiteral("To PWM Stage -"), kPinText);
    wire(p, {{20, kLower}, {142, kLower}});
    coil(p, {142, kLower}, {198, kLower}, 4, Side::Down);
    centredText(p, 170, 360, QStringLiteral("LFilter"));

    // The rails to the outputs, and the filter capacitor across them.
    wire(p, {{208, kUpper}, {493, kUpper}});
    wire(p, {{198, kLower}, {493, kLower}});
    connector(p, {505, kUpper});
    connector(p, {505, kLower});
    capacitor(p, {kCFilter, kUpper}, {kCFilter, kLower});
    text(p, {244, 196}, QStringLiteral("CFilter"));

    // The Zobel halves, mirrored about the grounded middle node.
    zobelPair(p, kUpper, kUpperNode, 76);
    wire(p, {{kZobel, kUpperNode}, {kZobelR, kUpperNode}});
    capacitor(p, {kZobel, kUpperNode}, {kZobel, kMiddle});
    text(p, {kZobel + 12, 140}, QStringLiteral("CZobel_Ser"));
    wire(p, {{kZobel, kMiddle}, {410, kMiddle}, {410, 197}});
    ground(p, {410, 197});
    text(p, {437, 151}, QStringLiteral("** Optional"));
    capacitor(p, {kZobel, kMiddle}, {kZobel, kLowerNode});
    text(p, {kZobel + 12, 228}, QStringLiteral("CZobel_Ser"));
    wire(p, {{kZobel, kLowerNode}, {kZobelR, kLowerNode}});
    zobelPair(p, kLowerNode, kLower, 308);

    // The speaker between the two outputs.
    connector(p, {590, kUpper});
    connector(p, {590, kLower});
    wire(p, {{590, kUpper}, {kSpeaker, kUpper}, {kSpeaker, 130}});
    resistor(p, {kSpeaker, 130}, {kSpeaker, 168});
    text(p, {616, 164}, QStringLiteral("RSpeaker"));
    wire(p, {{kSpeaker, 168}, {kSpeaker, 192}});
    coil(p, {kSpeaker, 192}, {kSpeaker, 232}, 3, Side::Down);
    text(p, {616, 228}, QStringLiteral("LSpeaker"));
    wire(p, {{kSpeaker, 232}, {kSpeaker, kLower}, {590, kLower}});

    for (const double x : {kCFilter, kZobel, kZobelR})
        for (const double y : {kUpper, kLower}) junction(p, {x, y});
    for (const double y : {kUpperNode, kMiddle, kLowerNode}) junction(p, {kZobel, y});
}

}  // namespace

Schematic_full::Schematic_full(QWidget *parent)
    : SchematicWindow({"Schematic_full",
                       "Full Bridge Schematic",
                       {720, 600, 10095, 5775},
                       drawFullBridge,
                       {{"Label_lfilter1", &S::lfilter, 2400, 720, 495},
                        {"Label_lfilter2", &S::lfilter, 2280, 4680, 495},
                        {"Label_cfilter", &S::cfilter, 3720, 3000, 495},
                        {"Label_rzobel_par1", &S::rzobel_par, 6240, 1200, 495},
                        {"Label_rzobel_par2", &S::rzobel_par, 6360, 4800, 495},
                        {"Label_czobel_par1", &S::czobel_par, 4920, 1200, 735},
                        {"Label_czobel_par2", &S::czobel_par, 4920, 4680, 735},
                        {"Label_czobel_ser1", &S::czobel_ser, 4920, 2160, 495},
                        {"Label_czobel_ser2", &S::czobel_ser, 4920, 3480, 495},
                        {"Label_lspeaker", &S::lspeaker, 9360, 3480, 615},
                        {"Label_rspeaker", &S::rspeaker, 9360, 2520, 615}}},
                      parent)
{
}
