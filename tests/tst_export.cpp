// The circuit values report, from plain values and as the export window writes it; the window's
// name check and file list, and write failures that leave the previous report exactly as it was.
#include "app/form1.h"
#include "export/file_control.h"
#include "testhelpers.h"

#include <QFileSystemModel>
#include <QListView>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTreeView>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The start-up design's report, half bridge, as the export window writes it.
const QStringList kStartupReport = {
    "Topology: Half Bridge",
    "Lfilter:                          22uH",
    "Cfilter:                          1.0uF",
    "Rzobel:                           6 ohms",
    "Czobel parallel:                  .1uF",
    "Czobel series:                    .1uF",
    "Lspeaker:                         .67mH",
    "Rspeaker:                         8 ohms",
    "",
    "Maximum Filter Gain:              37.76dB",
    "Net Filter Gain at 20khz:         3.73dB",
    "Net Filter Gain at 384khz:        -42.55dB",
    "RMS power of Rzobel at 7khz:      0.046W",
};
QByteArray reportOf(const QStringList &lines)
{
    return (lines.join("\r\n") + "\r\n").toLatin1();
}

QStringList listed(QListView *view)
{
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
}

}  // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { delete m_form; }
    void init()
    {
        m_dir.emplace();
        m_form = openWindow<Form1>();
        QVERIFY((m_export = openExport()));
        showFolder(path());
    }

    void reportWithEmptyBoxes()
    {
        // Full bridge with the result boxes empty: the result lines end in blanks.
        QStringList expected = kStartupReport;
        expected[0] = "Topology: Full Bridge";
        for (int line = 9; line < 13; ++line) expected[line].truncate(34);
        QCOMPARE(reportBytes({kFlagTrue, schematicCaptions(DesignRecord::startup()), {}}),
                 reportOf(expected));
    }

    void reportPath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("path");
        QTest::newRow("root") << "/" << QChar('/') << "/r.txt";
        QTest::newRow("drive root") << "C:\\" << QChar('\\') << "C:\\r.txt";
    }

    void reportPath()
    {
        QFETCH(QString, folder);
        QFETCH(QChar, separator);
        QFETCH(QString, path);
        QCOMPARE(::reportPath(folder, "r.txt", separator), path);
    }

    void report()
    {
        typeName("report.txt");
        write();
        QCOMPARE(contents(path("report.txt")), reportOf(kStartupReport));
        // A second write, after a change, replaces the first report; the result lines copy the
        // main window's boxes as they stand.
        play(m_form, "pick zobel_c_par 0; full");
        write();
        QStringList lines = kStartupReport.mid(0, 9);
        lines[0] = "Topology: Full Bridge";
        lines[4] = "Czobel parallel:                  no cap.";
        for (const char *box :
             {"Text_maxgain", "Text_netgain_20k", "Text_netgain_384k", "Text_rzobel_power"})
            lines << kStartupReport[lines.size()].left(34) + textOf(m_form, box);
        QCOMPARE(contents(path("report.txt")), reportOf(lines));
        QCOMPARE(m_export->file_path(), path("report.txt"));
        QCOMPARE(entries(), QStringList{"report.txt"});
    }

    void nameCheck_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("report") << "report"
                                << "default.txt";
        QTest::newRow("REPORT.TXT") << "REPORT.TXT"
                                    << "REPORT.TXT";
        QTest::newRow("a.txt.bak") << "a.txt.bak"
                                   << "a.txt.bak";
    }

    void nameCheck()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        auto *box = childNamed<QLineEdit>(m_export, "Text_file_2_write");
        typeName(typed);
        BoxAnswerer answerer;
        QTest::mouseMove(m_export->windowHandle(), QPoint(1, 1));  // from outside the box onto it
        QTest::mouseMove(m_export->windowHandle(), box->mapTo(m_export, box->rect().center()));
        QTRY_COMPARE_WITH_TIMEOUT(box->text(), kept, 5000);
        QCOMPARE(m_export->file_name(), kept);
        const QStringList told{"Quorvel", "Please enter in a .txt file",
                               QString::number(QMessageBox::NoIcon)};
        QCOMPARE(answerer.seen, typed == kept ? QList<QStringList>{} : QList<QStringList>{told});
    }

    void fileList()
    {
        for (const char *name : {"old.txt", "other.dat"})
            QVERIFY(QFile(path(name)).open(QIODevice::WriteOnly));
        auto *files = childNamed<QListView>(m_export, "filBrowse");
        QTRY_COMPARE(listed(files), QStringList{"old.txt"});
        const QRect item = files->visualRect(files->model()->index(0, 0, files->rootIndex()));
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, item.center());
        QCOMPARE(childNamed<QLineEdit>(m_export, "Text_file_2_write")->text(),
                 QStringLiteral("old.txt"));
        typeOver(childNamed<QLineEdit>(m_export, "Text1"), "*.dat");
        QCOMPARE(m_export->file_ext(), QStringLiteral("*.dat"));
        QTRY_COMPARE(listed(files), QStringList{"other.dat"});
        // After a write the list shows .txt files again; the filter box keeps its text.
        typeName("new.txt");
        write();
        QTRY_COMPARE(listed(files), (QStringList{"new.txt", "old.txt"}));
        QCOMPARE(childNamed<QLineEdit>(m_export, "Text1")->text(), QStringLiteral("*.dat"));
        // Unless the pointer crosses the name box, the button writes the name as it stands.
        typeName("plain");
        write();
        QVERIFY(contents(path("plain")).startsWith("Topology: Half Bridge\r\n"));
    }

    void writeFailures_data()
    {
        QTest::addColumn<QString>("folder");  // made, shown, then removed before the write; "~x":
                                              // the folder list notices the removal first
        QTest::addColumn<QString>(
            "name");  // "x/": a folder already there; "!x": x cannot be replaced
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<QString>("message");
        QTest::newRow("vanished folder")
            << "gone"
            << "report.txt" << 0 << "Error number:5\r\nNo such file or directory";
        QTest::newRow("vanished folder, list moved")
            << "~gone"
            << "report.txt" << 0 << "Error number:5\r\nNo such file or directory";
        QTest::newRow("path through a file")
            << ""
            << "report.txt/report.txt" << 0 << "Error number:5\r\nNot a directory";
        QTest::newRow("device full") << ""
                                     << "report.txt" << 100 << "Error number:2\r\nFile too large";
        QTest::newRow("name taken by a folder")
            << ""
            << "taken.txt/" << 0 << "Error number:2\r\nFilename refers to a directory";
        QTest::newRow("report cannot be replaced")
            << ""
            << "!report.txt" << 0 << "Error number:10\r\nOperation not permitted";
    }

    void writeFailures()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(int, sizeLimit);
        QFETCH(QString, message);
        const QByteArray previous = "an earlier report\r\n";
        QVERIFY(writeBytes(path("report.txt"), previous));
        const bool listMoves = folder.startsWith('~');
        if (listMoves) {
            // A sibling the selection may move to, and the folder itself, both listed.
            folder.remove(0, 1);
            QVERIFY(QDir(path()).mkdir("sibling"));
        }
        if (!folder.isEmpty()) {
            QVERIFY(QDir(path()).mkdir(folder));
            auto *tree = childNamed<QTreeView>(m_export, "dirBrowse");
            auto *model = static_cast<QFileSystemModel *>(tree->model());
            tree->expand(model->index(path()));
            QTRY_COMPARE(model->rowCount(model->index(path())), listMoves ? 2 : 1);
            showFolder(path(folder));
        }
        QStringList left{"report.txt"};
        if (listMoves)
            left << "sibling";
        if (name.endsWith('/')) {
            name.chop(1);
            QVERIFY(QDir(path()).mkdir(name));
            left << name;
        }
        if (name.startsWith('!')) {
            name.remove(0, 1);
            if (!setAppendOnly(path(name), true))
                QSKIP("this file system or user cannot lock a file against replacing");
        }
        const auto unlock = qScopeGuard([&] { setAppendOnly(path(name), false); });
        typeName(name);
        QVERIFY(folder.isEmpty() || QDir(path(folder)).removeRecursively());
        if (listMoves) {
            // As a user would: the deletion happens elsewhere, the window goes on handling
            // events, and the folder list drops the folder and selects another by itself.
            auto *tree = childNamed<QTreeView>(m_export, "dirBrowse");
            auto *model = static_cast<QFileSystemModel *>(tree->model());
            QTRY_VERIFY_WITH_TIMEOUT(model->filePath(tree->currentIndex()) != path(folder), 10000);
        }
        BoxAnswerer answerer;
        withFileSizeLimit(sizeLimit, [this] { write(); });
        QCOMPARE(answerer.seen, (QList<QStringList>{{"Bad Drive Selected", message,
                                                     QString::number(QMessageBox::Warning)}}));
        QCOMPARE(contents(path("report.txt")), previous);
        QCOMPARE(entries(), left);
        if (listMoves)  // nothing written where the selection went
            QCOMPARE(QDir(path("sibling")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList());
        QCOMPARE(childNamed<QComboBox>(m_export, "drvBrowse")->currentText(),
                 m_export->drive_in_use());
    }

    void replacedReportKeepsItsPermissions_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("owner");  // user and group id; -1: the test's own
        QTest::newRow("read-only, replaced as root") << 0444 << -1;
        QTest::newRow("owner and group only") << 0640 << -1;
        QTest::newRow("another user's, as root") << 0664 << 65534;
    }

    void replacedReportKeepsItsPermissions()
    {
        QFETCH(int, mode);
        QFETCH(int, owner);
        if ((mode & 0200) == 0 || owner >= 0) {
            if (::geteuid() != 0)
                QSKIP("only root may replace a read-only report or another user's");
        }
        const QByteArray file = QFile::encodeName(path("report.txt"));
        QVERIFY(writeBytes(path("report.txt"), "an earlier report\r\n"));
        QCOMPARE(::chmod(file, mode), 0);
        if (owner >= 0)
            QCOMPARE(::chown(file, owner, owner), 0);
        struct stat before {
        };
        QCOMPARE(::stat(file, &before), 0);
        typeName("report.txt");
        write();
        QCOMPARE(contents(path("report.txt")), reportOf(kStartupReport));
        struct stat after {
        };
        QCOMPARE(::stat(file, &after), 0);
        QCOMPARE((QList<unsigned>{after.st_mode & 07777, after.st_uid, after.st_gid}),
                 (QList<unsigned>{unsigned(mode), before.st_uid, before.st_gid}));
        QVERIFY(after.st_ino != before.st_ino);  // replaced, not written over
    }

    void layout_data()
    {
        // Each control where the design puts it: left, top, width, height in twips, 15 to a pixel.
        QTest::addColumn<QList<int>>("twips");
        QTest::addColumn<QString>("text");
        QTest::newRow("Command_write_file")
            << QList<int>{6240, 3600, 2415, 735} << "WRITE VALUES TO FILE";
        QTest::newRow("Text_file_2_write") << QList<int>{6240, 2880, 2415, 375} << "default.txt";
        QTest::newRow("Text1") << QList<int>{7680, 1800, 975, 375} << "*.txt";
        QTest::newRow("filBrowse") << QList<int>{1560, 2760, 3495, 1260} << "";
        QTest::newRow("dirBrowse") << QList<int>{1560, 1080, 3495, 1440} << "";
        QTest::newRow("drvBrowse") << QList<int>{1560, 360, 2415, 315} << "";
        QTest::newRow("Label5") << QList<int>{6240, 2520, 2415, 375}
                                << "File to Write Filter Values :";
        QTest::newRow("Label4") << QList<int>{6240, 1800, 1455, 375} << "Search Filter:";
        QTest::newRow("Label3") << QList<int>{600, 2760, 975, 375} << "Files:";
        QTest::newRow("Label2") << QList<int>{600, 1080, 975, 375} << "Folder:";
        QTest::newRow("Label1") << QList<int>{600, 360, 975, 375} << "Drive:";
    }

    void layout()
    {
        QFETCH(QList<int>, twips);
        QFETCH(QString, text);
        QWidget *control = childNamed<QWidget>(m_export, QTest::currentDataTag());
        QCOMPARE(control->geometry(),
                 QRect(twips[0] / 15, twips[1] / 15, twips[2] / 15, twips[3] / 15));
        if (!text.isEmpty())
            QCOMPARE(textOf(m_export, QTest::currentDataTag()), text);
    }

    void look()
    {
        QCOMPARE(m_export->size(), QSize(646, 328));
        QCOMPARE(m_export->windowTitle(), QStringLiteral("File Options"));
        QCOMPARE(m_export->palette().color(QPalette::Window), QColor(0, 144, 240));
        // The arrow from the file list to the name box, pixel for pixel as approved: the strokes'
        // ends fall between pixels, and the shading shows a twip's move.
        const QImage shot = m_export->grab().toImage();
        const QString differs =
            differenceFromApproved(shot.copy(340, 196, 72, 24), "export_arrow.png");
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
    }

    void focusOrder()
    {
        // Tab walks drive, folder, files, filter, name, button, and round again.
        QStringList walked;
        QApplication::setActiveWindow(m_export);
        childNamed<QWidget>(m_export, "drvBrowse")->setFocus();
        for (int i = 0; i < 7; ++i) {
            QWidget *f = QApplication::focusWidget();
            while (f && f->objectName().isEmpty()) f = f->parentWidget();
            walked << (f ? f->objectName() : "none");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(walked, (QStringList{"drvBrowse", "dirBrowse", "filBrowse", "Text1",
                                      "Text_file_2_write", "Command_write_file", "drvBrowse"}));
    }

    // A drive picked with the keyboard moves the folder list to it (a test folder stands for one);
    // a window made afresh starts on the current folder's drive again.
    void oneWindowMadeAfresh()
    {
        QCOMPARE(openExport(), m_export);
        typeName("changed.txt");
        QVERIFY(QDir(path()).mkdir("drive"));
        auto *drives = childNamed<QComboBox>(m_export, "drvBrowse");
        drives->addItem(path("drive"));
        QTest::keyClick(drives, Qt::Key_End);
        auto *tree = childNamed<QTreeView>(m_export, "dirBrowse");
        QCOMPARE(static_cast<QFileSystemModel *>(tree->model())->filePath(tree->currentIndex()),
                 path("drive"));
        QCOMPARE(m_export->drive_in_use(), path("drive"));
        QPointer<File_control> first = m_export;
        m_export->close();
        QTRY_VERIFY(!first);
        QVERIFY((m_export = openExport()));
        QCOMPARE(childNamed<QLineEdit>(m_export, "Text_file_2_write")->text(),
                 QStringLiteral("default.txt"));
        QCOMPARE(m_export->drive_in_use(), QStorageInfo(QDir::currentPath()).rootPath());
    }

private:
    File_control *openExport();
    // The append-only attribute: the file may still be opened for writing, but nobody, root
    // included, may replace it.
    static bool setAppendOnly(const QString &file, bool on)
    {
        return QProcess::execute("chattr", {on ? "+a" : "-a", file}) == 0;
    }
    QString path(const QString &name = {}) const { return m_dir->filePath(name); }
    QStringList entries() const
    {
        return QDir(path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    void showFolder(const QString &folder)  // as a click in the folder list does
    {
        auto *tree = childNamed<QTreeView>(m_export, "dirBrowse");
        tree->setCurrentIndex(static_cast<QFileSystemModel *>(tree->model())->index(folder));
    }
    void typeName(const QString &name)
    {
        typeOver(childNamed<QLineEdit>(m_export, "Text_file_2_write"), name);
    }
    void write()
    {
        QTest::mouseClick(childNamed<QPushButton>(m_export, "Command_write_file"), Qt::LeftButton);
    }

    Form1 *m_form = nullptr;
    File_control *m_export = nullptr;
    std::optional<QTemporaryDir> m_dir;
};

// Chooses Save_As; returns the one export window on screen.
File_control *TestExport::openExport()
{
    childNamed<QAction>(m_form, "Save_As")->trigger();
    QList<File_control *> shown;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == "File_control")
            shown << qobject_cast<File_control *>(w);
    return shown.size() == 1 ? shown[0] : nullptr;
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
