#pragma once

#include "schematic/schematicwindow.h"

// The full-bridge schematic: a filter inductor in each leg, one filter capacitor across the rails,
// the Zobel network as two mirrored halves with a grounded middle, and the speaker between the
// outputs.
class Schematic_full : public SchematicWindow
{
    Q_OBJECT

public:
    explicit Schematic_full(QWidget *parent = nullptr);
};
