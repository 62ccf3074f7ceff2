#include "widgets/textguard.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>

TextGuard::TextGuard(QLineEdit *box) : QObject(box), m_box(box)
{
    box->installEventFilter(this);
}

bool TextGuard::eventFilter(QObject *watched, QEvent *event)
{
    // Before the box takes the key; a held key's repeats are one edit with its first press.
    if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
        m_text = m_box->text();
        m_caret = m_box->cursorPosition();
        m_selectionStart = m_box->selectionStart();
        m_selectionLength = m_box->selectionLength();
    }
    return QObject::eventFilter(watched, event);
}

void TextGuard::putBack(const QString &text, const QString &reason)
{
    m_box->setText(text);
    if (text == m_text) {
        if (m_selectionLength > 0) {
            // The caret stays at the end of the selection it was at.
            const bool caretFirst = m_caret == m_selectionStart;
            m_box->setSelection(
                caretFirst ? m_selectionStart + m_selectionLength : m_selectionStart,
                caretFirst ? -m_selectionLength : m_selectionLength);
        } else {
            m_box->setCursorPosition(m_caret);
        }
    }
    if (!reason.isEmpty())
        QToolTip::showText(m_box->mapToGlobal(QPoint(0, m_box->height())), reason, m_box, {}, 4000);
}
