#pragma once

#include "schematic/schematicwindow.h"

// The half-bridge schematic: one filter leg, the Zobel network to ground, the DC blocking capacitor
// and, apart from the filter, the speaker model.
class Schematic : public SchematicWindow
{
    Q_OBJECT

public:
    explicit Schematic(QWidget *parent = nullptr);
};
