// The main window as a desktop program: changes to a design file's design are asked about before
// they are lost, the caption names the file, the Design keys work without a theme, a speaker file
// travels with its design file, a refused key keeps the selection and says why, the command line
// takes a design file's modulation, and networks without a series capacitor cost nothing.
#include "app/form1.h"
#include "runprogram.h"
#include "testhelpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolTip>

namespace {

QString fieldOf(const QString &path, const char *field)
{
    return QJsonDocument::fromJson(contents(path)).object().value(field).toString();
}

}  // namespace

class TestDesktop : public QObject
{
    Q_OBJECT
    Form1 *m_form = nullptr;

    // A menu item, its file dialog (if any) answered with `path`.
    void trigger(const QString &item, const QString &path = {})
    {
        if (!path.isEmpty())
            answerFileDialog(path);
        childNamed<QAction>(m_form, qPrintable(item))->trigger();
    }

private slots:
    void init() { m_form = openWindow<Form1>(); }
    void cleanup() { delete m_form; }

    void changesAsked_data()
    {
        QTest::addColumn<QString>("steps");  // an item on a.quorvel, a change, the item that asks
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("after");  // the window stays or ends; Zobel R shown, saved
        QTest::newRow("Exit, Save") << "design_open Exit" << int(QMessageBox::Save) << "ends 10 10";
        QTest::newRow("saved, close, Discard")
            << "design_save_as close" << int(QMessageBox::Discard) << "ends 10 6";
        QTest::newRow("close, Cancel")
            << "design_open close" << int(QMessageBox::Cancel) << "stays 10 6";
    }

    // The file's name and a mark of changes in the caption; the question, what each answer does.
    void changesAsked()
    {
        QFETCH(QString, steps);
        QFETCH(int, answer);
        QFETCH(QString, after);
        const QTemporaryDir dir;
        const QString file = dir.filePath("a.quorvel");
        const QStringList w = steps.split(' '), expected = after.split(' ');
        if (w[0] == "design_open")
            QVERIFY(!writeDesignFile(file, DesignInputs::startup()));
        trigger(w[0], file);
        play(m_form, "pick zobel_r_par 10");
        QCOMPARE(m_form->windowTitle(), QString("a.quorvel[*] - Quorvel (HALF BRIDGE)"));
        QVERIFY(m_form->isWindowModified());
        // Each question answered; in the program's own event loop, which an end leaves at once.
        int asked = 0;
        QTimer answering;
        answering.callOnTimeout([&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::StandardButton(answer))->click(), ++asked;
        });
        answering.start(10);
        QTimer::singleShot(0, m_form, [&] {
            w[1] == "close" ? void(m_form->close()) : trigger(w[1]);
            QTimer::singleShot(300, &answering, [] { QCoreApplication::exit(2); });
        });
        const int status = QCoreApplication::exec();
        QCOMPARE(asked, 1);
        QCOMPARE(status, m_form->isVisible() ? 2 : 0);
        QCOMPARE(m_form->isVisible(), expected[0] == "stays");
        QCOMPARE(textOf(m_form, "zobel_r_par"), expected[1]);
        QCOMPARE(fieldOf(file, "zobel_r_par"), expected[2]);
    }

    // The New item shows its key, and the key chooses it from the focused input.
    void designKeys()
    {
        const QKeySequence key(QStringLiteral("Ctrl+N"));
        play(m_form, "pick zobel_r_par 10");
        auto *action = childNamed<QAction>(m_form, "design_new");
        QCOMPARE(action->shortcut(), key);
        QSignalSpy chosen(action, &QAction::triggered);
        QTest::keySequence(QApplication::focusWidget(), key);
        QTRY_COMPARE(chosen.count(), 1);
    }

    // A speaker file below the design file's folder is written relative to it, and found after
    // the folder moved.
    void speakerFile()
    {
        const QTemporaryDir dir;
        const QString root = dir.path(), speaker = root + "/design/sub/woofer.zma";
        QVERIFY(QDir().mkpath(root + "/design/sub") &&
                QFile::copy(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma",
                            speaker));
        trigger("measured_load", speaker);
        QTRY_VERIFY(m_form->measuredSpeaker());
        trigger("design_save_as", root + "/design/d.quorvel");
        QTRY_COMPARE(fieldOf(root + "/design/d.quorvel", "load_file"), QString("sub/woofer.zma"));
        QVERIFY(QDir(root).rename("design", "moved"));
        const BoxAnswerer ok;
        trigger("design_open", root + "/moved/d.quorvel");
        QTRY_VERIFY(m_form->windowTitle().startsWith("d.quorvel"));
        QVERIFY(m_form->measuredSpeaker() && ok.seen.isEmpty());
        QCOMPARE(m_form->measuredSpeaker()->path(), root + "/moved/sub/woofer.zma");
    }

    // A full-bridge design file with the AD modulation: the command line on the file gives what it
    // gives with every option spelt out.
    void commandLine()
    {
        const QTemporaryDir dir;
        const QString file = dir.filePath("ad.quorvel");
        QVERIFY(writeBytes(file, R"({"format": "quorvel-design", "version": 1, "topology": "full",
            "supply": "48", "fsw": "384", "modulation": "ad"})"));
        const QStringList stress{"stress", "--format", "json"};
        const QByteArray fromFile = runQuorvel(stress + QStringList{"--design", file}).out;
        QVERIFY(fromFile.size() > 500);
        QCOMPARE(fromFile, runQuorvel(stress + QStringList{"--full-bridge", "--supply", "48",
                                                           "--fsw", "384", "--modulation", "ad"})
                               .out);
    }

    // A refused key over a selection: the text comes back selected, a tool tip says why, and the
    // next key replaces it.
    void refusedKey()
    {
        auto *edit = childNamed<QLineEdit>(m_form, "Speaker_L");
        typeOver(edit, "1.2");
        edit->selectAll();
        QTest::keyClick(edit, 'x');
        QCOMPARE(edit->text(), QString("1.2"));
        QTRY_VERIFY(QToolTip::isVisible() && !QToolTip::text().isEmpty());
        QTest::keyClick(edit, '7');
        QCOMPARE(edit->text(), QString("7"));
    }

    // Networks without a series capacitor dissipate exactly nothing, and one of them, the lowest
    // peak, stands on the front for them all.
    void noZobel()
    {
        QList<double> peaks, front;
        const Run explore =
            runQuorvel({"explore", "--full-bridge", "--supply", "48", "--fsw", "384"});
        for (const QByteArray &line : explore.out.split('\n')) {
            const QList<QByteArray> f = line.split(',');
            if (f.size() == 7 && f[2] == "0" && f[4] == "0")
                (f[6] == "1" ? front : peaks) << f[3].toDouble();
        }
        QCOMPARE(peaks.size() + front.size(), 16 * 18);
        QCOMPARE(front, QList<double>{std::min(front.value(0),
                                               *std::min_element(peaks.begin(), peaks.end()))});
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
