#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// Remembers a text box's text, caret and selection as each key comes to it, so that a text the
// design refuses is put back as the user left it, selection included, and the next key replaces
// what was selected rather than adding to it; and says briefly why, in a tool tip at the box,
// without moving any control.
class TextGuard : public QObject
{
public:
    explicit TextGuard(QLineEdit *box);

    // Puts `text` back (with the caret and selection of before the key when it is that key's
    // text) and shows `reason`.
    void putBack(const QString &text, const QString &reason);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_box;
    QString m_text;
    int m_caret = 0;
    int m_selectionStart = -1;
    int m_selectionLength = 0;
};
