#pragma once

#include <QDockWidget>

#include <array>

class DesignModel;
class QLabel;
class QLineEdit;

// A small panel docked beside the main window's graphs while the design model holds a reference:
// what the reference is, and its gain figures and 7 kHz dissipation next to the live design's, in
// the texts the main window's boxes use, following every change. The Design menu's "Clear
// reference" removes it, so it has no close button of its own.
class ReferencePanel : public QDockWidget
{
    Q_OBJECT

public:
    // The figures in their rows: Fig. 2's maximum, 20 kHz and 384 kHz gains, Fig. 3's, and the
    // Zobel resistor's dissipation at 7 kHz. Each row's boxes are named after the main window's
    // box with "reference_" or "live_" before it: reference_Text_maxgain4, live_Text_maxgain4...
    static constexpr int kFigures = 7;
    using Figures = std::array<QString, kFigures>;
    static const std::array<const char *, kFigures> kFigureNames;

    explicit ReferencePanel(const DesignModel &model, QWidget *parent = nullptr);

private:
    void follow();

    const DesignModel &m_model;
    QLabel *m_description = nullptr;
    std::array<QLineEdit *, kFigures> m_reference{};
    std::array<QLineEdit *, kFigures> m_live{};
};
