// The circuit values report as the export window writes it; the window's name check, file list,
// controls and drawing, and write failures that leave the previous report exactly as it was.
#include "app/form1.h"
#include "export/file_control.h"
#include "testhelpers.h"

#include <QFileSystemModel>
#include <QListView>
#include <QPointer>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTreeView>

#include <sys/stat.h>
#include <unistd.h>

namespace {

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

    void report()
    {
        typeName("report.txt");
        write();
        QVERIFY(contents(path("report.txt")).startsWith("Topology: Half Bridge\r\n"));
        // A second write, after a change, replaces the first report with the design as it stands
        // (every line of it against the reference in tst_extras).
        play(m_form, "pick zobel_c_par 0; full");
        write();
        const QByteArray report = contents(path("report.txt"));
        QVERIFY2(report.startsWith("Topology: Full Bridge\r\n") &&
                     report.contains("\r\nCzobel parallel:                  no cap.\r\n") &&
                     report.endsWith(' ' + textOf(m_form, "Text_rzobel_power").toLatin1() + "\r\n"),
                 report.constData());
        QCOMPARE(m_export->file_path(), path("report.txt"));
        QCOMPARE(entries(), QStringList{"report.txt"});
        // Written into a root folder, no separator is added.
        QCOMPARE(::reportPath("C:\\", "r.txt", '\\'), QStringLiteral("C:\\r.txt"));
    }

    void nameCheck_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("report") << "report"
                                << "default.txt";
        QTest::newRow("REPORT.TXT") << "REPORT.TXT"
                                    << "REPORT.TXT";
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
        QTest::addColumn<bool>("folderGone");  // the folder shown, removed before the write
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<QString>("message");
        QTest::newRow("vanished folder, list moved")
            << true << 0 << "Error number:5\r\nNo such file or directory";
        QTest::newRow("device full") << false << 100 << "Error number:2\r\nFile too large";
    }

    void writeFailures()
    {
        QFETCH(bool, folderGone);
        QFETCH(int, sizeLimit);
        QFETCH(QString, message);
        const QByteArray previous = "an earlier report\r\n";
        QVERIFY(writeBytes(path("report.txt"), previous));
        QStringList left{"report.txt"};
        auto *tree = childNamed<QTreeView>(m_export, "dirBrowse");
        auto *model = static_cast<QFileSystemModel *>(tree->model());
        if (folderGone) {
            // A sibling the selection may move to, and the folder itself, both listed.
            QVERIFY(QDir(path()).mkdir("sibling") && QDir(path()).mkdir("gone"));
            left << "sibling";
            tree->expand(model->index(path()));
            QTRY_COMPARE(model->rowCount(model->index(path())), 2);
            showFolder(path("gone"));
        }
        typeName("report.txt");
        if (folderGone) {
            // As a user would: the deletion happens elsewhere, the window goes on handling
            // events, and the folder list drops the folder and selects another by itself.
            QVERIFY(QDir(path("gone")).removeRecursively());
            QTRY_VERIFY_WITH_TIMEOUT(model->filePath(tree->currentIndex()) != path("gone"), 10000);
        }
        BoxAnswerer answerer;
        withFileSizeLimit(sizeLimit, [this] { write(); });
        QCOMPARE(answerer.seen, (QList<QStringList>{{"Bad Drive Selected", message,
                                                     QString::number(QMessageBox::Warning)}}));
        QCOMPARE(contents(path("report.txt")), previous);
        QCOMPARE(entries(), left);
        // Nothing written where the selection went.
        QCOMPARE(QDir(path("sibling")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        QCOMPARE(childNamed<QComboBox>(m_export, "drvBrowse")->currentText(),
                 m_export->drive_in_use());
    }

    // Another user's read-only report, replaced as root: its mode, owner and group stay.
    void replacedReportKeepsItsPermissions()
    {
        const int mode = 0440, owner = 65534;
        if (::geteuid() != 0)
            QSKIP("only root may replace a read-only report or another user's");
        const QByteArray file = QFile::encodeName(path("report.txt"));
        QVERIFY(writeBytes(path("report.txt"), "an earlier report\r\n"));
        QCOMPARE(::chmod(file, mode), 0);
        QCOMPARE(::chown(file, owner, owner), 0);
        struct stat before {
        };
        QCOMPARE(::stat(file, &before), 0);
        typeName("report.txt");
        write();
        QVERIFY(contents(path("report.txt")).startsWith("Topology: Half Bridge\r\n"));
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
        QTest::newRow("Command_write_file") << QList<int>{6240, 3600, 2415, 735};
        QTest::newRow("Text_file_2_write") << QList<int>{6240, 2880, 2415, 375};
        QTest::newRow("Text1") << QList<int>{7680, 1800, 975, 375};
        QTest::newRow("filBrowse") << QList<int>{1560, 2760, 3495, 1260};
        QTest::newRow("dirBrowse") << QList<int>{1560, 1080, 3495, 1440};
        QTest::newRow("drvBrowse") << QList<int>{1560, 360, 2415, 315};
        QTest::newRow("Label5") << QList<int>{6240, 2520, 2415, 375};
        QTest::newRow("Label4") << QList<int>{6240, 1800, 1455, 375};
        QTest::newRow("Label3") << QList<int>{600, 2760, 975, 375};
        QTest::newRow("Label2") << QList<int>{600, 1080, 975, 375};
        QTest::newRow("Label1") << QList<int>{600, 360, 975, 375};
    }

    void layout()
    {
        QFETCH(QList<int>, twips);
        QCOMPARE(childNamed<QWidget>(m_export, QTest::currentDataTag())->geometry(),
                 QRect(twips[0] / 15, twips[1] / 15, twips[2] / 15, twips[3] / 15));
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
