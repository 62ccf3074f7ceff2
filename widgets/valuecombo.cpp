#include "valuecombo.h"

#include <QLineEdit>
#include <QSignalBlocker>

ValueCombo::ValueCombo(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);  // no inline completion: "2" must stay "2", not become "2.0"
    setMaxVisibleItems(20);
    // The combo box would select a matching item when the field loses focus; here only a choice
    // from the list selects.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { emit changed(); });
    connect(this, qOverload<int>(&QComboBox::activated), this, [this] { emit selected(); });
}

void ValueCombo::setItems(const QStringList &items)
{
    QStringList held;
    for (int i = 0; i < count(); ++i) held << itemText(i);
    if (held == items)
        return;
    const QSignalBlocker block(this);
    const QSignalBlocker blockEdit(lineEdit());
    const QString text = lineEdit()->text();
    clear();
    addItems(items);
    lineEdit()->setText(text);
    syncCurrentItem();
}

void ValueCombo::syncCurrentItem()
{
    // Keeps the list's current item on the text shown, so that the drop-down opens on it and the
    // arrow keys step from it.
    const QString text = lineEdit()->text();
    if (currentIndex() >= 0 && itemText(currentIndex()) == text)
        return;
    const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0 && index != currentIndex()) {
        const QSignalBlocker block(this);
        setCurrentIndex(index);
    }
}

void ValueCombo::writeText(const QString &text)
{
    if (lineEdit()->text() == text) {
        syncCurrentItem();
        return;
    }
    lineEdit()->setText(text);
    syncCurrentItem();
    emit changed();
}
