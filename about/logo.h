#pragma once

#include <QFrame>

// Quorvel's 140 x 70 logo in a sunken picture box: an LC low-pass stage beside the frequency
// response it gives, a flat pass band, a resonance peak and the roll-off. Vector, drawn at any
// pixel ratio.
class Logo : public QFrame
{
    Q_OBJECT

public:
    explicit Logo(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
