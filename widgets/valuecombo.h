#pragma once

#include <QComboBox>

#include <QStringList>

// An editable drop-down whose text changes and item selections are two separate notifications:
//  - changed(): the text was edited by the user, or written by the program with writeText() and
//    actually different. A selection does not raise it.
//  - selected(): an item was chosen from the list (mouse, arrow keys or wheel), even the item
//    already shown.
// Typing never adds an item, and leaving the field never selects an item by itself.
class ValueCombo : public QComboBox
{
    Q_OBJECT

public:
    explicit ValueCombo(QWidget *parent = nullptr);

    // Puts these items in place of the ones it has, without touching the text field or
    // notifying.
    void setItems(const QStringList &items);

    // Puts text into the field. Raises changed() when that alters the field, as an edit would;
    // writing the text that already stands there does nothing.
    void writeText(const QString &text);

private:
    void syncCurrentItem();

signals:
    void changed();
    void selected();
};
