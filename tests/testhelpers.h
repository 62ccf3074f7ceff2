#pragma once

// Driving the windows as a user would: finding controls by name, picking list items from the
// drop-down, typing over a field's text, reading a graph's curve, answering message boxes.

#include "widgets/graphcontrol.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

template <class T>
T *childNamed(QObject *parent, const char *name)
{
    T *c = parent->findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no control named %s", name);
    return c;
}

inline QString textOf(QObject *window, const char *lineEdit)
{
    return childNamed<QLineEdit>(window, lineEdit)->text();
}

// The texts of the named line edits, in turn.
inline QStringList texts(QObject *window, const QStringList &boxes)
{
    QStringList t;
    for (const QString &name : boxes)
        t << childNamed<QLineEdit>(window, qPrintable(name))->text();
    return t;
}

// Creates a window, shows it and waits until it is on screen.
template <class W>
W *openWindow()
{
    auto *w = new W;
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        qFatal("window not exposed");
    return w;
}

// The named graph's curve as it stands, x and y of every point in turn.
inline QList<double> curveOf(QObject *window, const char *graph)
{
    auto *g = childNamed<GraphControl>(window, graph);
    QList<double> points;
    for (int i = 0; i < g->curveSize(); ++i)
        points << g->curveX(i) << g->curveY(i);
    return points;
}

// Opens the drop-down and clicks the item with that text.
inline bool pickItem(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return false;
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    const QModelIndex item = view->model()->index(index, combo->modelColumn(), view->rootIndex());
    view->scrollTo(item);
    const QPoint at = view->visualRect(item).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    return !view->isVisible();
}

// Selects the whole text of the field, then types the characters one by one.
inline void typeOver(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Presses OK on every message box that opens while it lives, noting each one's caption, text and
// icon number.
struct BoxAnswerer : QObject {
    QList<QStringList> seen;
    QTimer poll;
    BoxAnswerer()
    {
        poll.callOnTimeout(this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << QStringList{box->windowTitle(), box->text(), QString::number(box->icon())};
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        });
        poll.start(10);
    }
};

// Presses on the cursor's line (the image column drawn most in its red), drags it to column toX
// of the plot and lets go. False when no cursor line is drawn.
inline bool dragCursor(GraphControl *g, int toX)
{
    g->refresh();
    const QImage image = g->grab().toImage();
    int from = -1, most = image.height() / 4;
    for (int x = 0; x < image.width(); ++x) {
        int red = 0;
        for (int y = 0; y < image.height(); ++y)
            red += image.pixel(x, y) == qRgb(200, 0, 0);
        if (red > most)
            std::tie(from, most) = std::pair(x, red);
    }
    QWidget *plot = g->findChild<QWidget *>();
    const int row = plot->height() / 2;
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(from, row));
    QTest::mouseMove(plot, QPoint((from + toX) / 2, row));
    QTest::mouseMove(plot, QPoint(toX, row));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(toX, row));
    return from >= 0;
}

// A file's bytes, or "(missing)".
inline QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Runs what it is given with files limited to `limit` bytes (0: no limit): past the limit a write
// fails part way, as on a full device.
template <class F>
void withFileSizeLimit(int limit, F &&what)
{
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    const rlimit capped{rlim_t(limit), unlimited.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, limit ? &capped : &unlimited);
    what();
    setrlimit(RLIMIT_FSIZE, &unlimited);
}
