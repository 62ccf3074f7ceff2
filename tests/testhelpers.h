#pragma once

// Driving the windows as a user would: finding controls by name, picking list items from the
// drop-down, typing over a field's text, playing scripts of such actions, reading a graph's curve
// and axes, answering message boxes.

#include "core/designrecord.h"
#include "core/program.h"
#include "widgets/graphcontrol.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

// The windows take their titles from the application's name, which the program's main() sets.
inline void nameTheProgram()
{
    QCoreApplication::setApplicationName(QLatin1String(kProgramName));
}
Q_COREAPP_STARTUP_FUNCTION(nameTheProgram)

template <class T>
T *childNamed(QObject *parent, const char *name)
{
    T *c = parent->findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no control named %s", name);
    return c;
}

// The text a box, button or selector shows.
inline QString textOf(QObject *window, const char *name)
{
    QWidget *w = childNamed<QWidget>(window, name);
    return w->property(qobject_cast<QComboBox *>(w) ? "currentText" : "text").toString();
}

// The texts of the named controls, in turn.
inline QStringList texts(QObject *window, const QStringList &names)
{
    QStringList t;
    for (const QString &name : names)
        t << textOf(window, qPrintable(name));
    return t;
}

// The main window's gain figures: Fig. 2 maximum, 20 kHz, 384 kHz, then Fig. 3's.
const QStringList kFigureBoxes = {"Text_maxgain4", "Text_gain_20k", "Text_gain_384k", "Text_maxgain", "Text_netgain_20k", "Text_netgain_384k"};

// The design value and remembered text an input keeps in the record.
inline std::pair<double, QString> keptBy(const DesignRecord &r, const QString &input)
{
    const QMap<QString, std::pair<double, QString>> kept{
        {"filter_l_par", {r.filter_l_par_modeval, r.jfilter_l}}, {"filter_c_par", {r.filter_c_par_modeval, r.jfilter_c}},
        {"zobel_c_par", {r.zobel_c_parval, r.jzobel_c2}},        {"zobel_c_ser", {r.zobel_c_serval, r.jzobel_c3}},
        {"zobel_r_par", {r.zobel_r_parval, r.jzobel_r2}},        {"speaker_r_mode", {double(r.speaker_r_modeval), r.jspeaker_r}},
        {"Speaker_L", {r.actual_l_net, r.speaker_l_valtxt}}};
    return kept.value(input);
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

// The graph's scale (0 linear, 1 logarithmic), minimum and maximum of X, then the same of Y.
inline QList<double> axesOf(GraphControl *g)
{
    QList<double> a;
    for (GraphControl::Axis axis : {GraphControl::XAxis, GraphControl::YAxis})
        a << g->axisScale(axis) << g->axisMinimum(axis) << g->axisMaximum(axis);
    return a;
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

// Plays a ';'-separated script of user actions on the main window:
//   pick <list> <item>   opens the drop-down and clicks the item
//   type <box> <text>    selects the box's text and types over it key by key
//   paste <text>         puts text into Speaker_L without typing, then releases a navigation key
//   hold <key> <n>       holds a key down in Speaker_L: n presses, auto-repeated releases between
//   full | half          the topology menu items
//   click <graph>        a plain click on the graph
inline void play(QWidget *form, const QString &script)
{
    auto *speakerL = childNamed<QLineEdit>(form, "Speaker_L");
    for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList w = step.trimmed().split(' ');
        if (w[0] == "pick") {
            QVERIFY2(pickItem(childNamed<QComboBox>(form, qPrintable(w[1])), w[2]), qPrintable(step));
        } else if (w[0] == "type") {
            QWidget *box = childNamed<QWidget>(form, qPrintable(w[1]));
            auto *combo = qobject_cast<QComboBox *>(box);
            typeOver(combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(box), w.value(2));
        } else if (w[0] == "paste") {
            speakerL->setFocus();
            speakerL->setText(w.value(1));
            QTest::keyClick(speakerL, Qt::Key_End);
        } else if (w[0] == "hold") {
            speakerL->setFocus();
            speakerL->selectAll();
            for (int i = 0, n = w[2].toInt(); i < n; ++i)
                for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                    QKeyEvent key(type, Qt::Key(w[1][0].unicode()), Qt::NoModifier, w[1], type == QEvent::KeyPress ? i > 0 : i < n - 1);
                    QCoreApplication::sendEvent(speakerL, &key);
                }
        } else if (w[0] == "full" || w[0] == "half") {
            childNamed<QAction>(form, w[0] == "full" ? "Topol_Full_Bridge" : "Topol_Half_Bridge")->trigger();
        } else if (w[0] == "click") {
            QWidget *plot = childNamed<QWidget>(form, qPrintable(w[1]))->findChild<QWidget *>();
            QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(plot->width() / 3, plot->height() / 2));
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
    }
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
