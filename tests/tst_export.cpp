// The export window opened from the main window's menu: the report it writes, the name check, the
// file list, and write failures that leave the previous report exactly as it was.
#include "app/form1.h"
#include "export/file_control.h"
#include "testhelpers.h"

#include <QDir>
#include <QFileSystemModel>
#include <QListView>
#include <QPointer>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTreeView>

#include <csignal>
#include <sys/resource.h>

namespace {

// Lines 2 to 9 of the start-up design's report.
const QStringList kDesign = {
    "Lfilter:                          22uH",
    "Cfilter:                          1.0uF",
    "Rzobel:                           6 ohms",
    "Czobel parallel:                  .1uF",
    "Czobel series:                    .1uF",
    "Lspeaker:                         .67mH",
    "Rspeaker:                         8 ohms",
    "",
};
const QByteArray kPrevious = "an earlier report\r\n";

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QStringList listed(QListView *view)
{
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
}

// This process may write no more than the given bytes into one file while it lives; a write
// beyond fails rather than killing the process.
struct FileSizeLimit {
    rlimit before{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit limit = before;
        limit.rlim_cur = bytes;
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before); }
};

}  // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void report_data();
    void report();
    void nameCheck_data();
    void nameCheck();
    void fileList();
    void writeFailures_data();
    void writeFailures();
    void oneWindowMadeAfresh();

private:
    File_control *openExport();
    void showFolder(const QString &folder);
    void typeName(const QString &name) { typeOver(childNamed<QLineEdit>(m_export, "Text_file_2_write"), name); }
    void write() { QTest::mouseClick(childNamed<QPushButton>(m_export, "Command_write_file"), Qt::LeftButton); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    Form1 *m_form = nullptr;
    File_control *m_export = nullptr;
    QTemporaryDir m_dir;
};

void TestExport::init()
{
    m_form = new Form1;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    m_export = openExport();
    QVERIFY(m_export);
    for (const QString &name : entries(m_dir.path()))
        QVERIFY(QFileInfo(path(name)).isDir() ? QDir(path(name)).removeRecursively() : QFile::remove(path(name)));
}

void TestExport::cleanup()
{
    delete m_form;
}

File_control *TestExport::openExport()
{
    childNamed<QAction>(m_form, "Save_As")->trigger();
    File_control *found = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == "File_control" && w->isVisible())
            found = found ? nullptr : qobject_cast<File_control *>(w);  // exactly one
    return found;
}

// Clicks the folder in the folder list.
void TestExport::showFolder(const QString &folder)
{
    auto *tree = childNamed<QTreeView>(m_export, "dirBrowse");
    tree->setCurrentIndex(static_cast<QFileSystemModel *>(tree->model())->index(folder));
}

void TestExport::report_data()
{
    QTest::addColumn<bool>("full");
    QTest::addColumn<QString>("zobelCPar");
    QTest::addColumn<QStringList>("lines");
    QStringList noCap = kDesign;
    noCap[3] = "Czobel parallel:                  no cap.";
    QTest::newRow("half bridge") << false << "" << QStringList{"Topology: Half Bridge"} + kDesign;
    QTest::newRow("full bridge") << true << "" << QStringList{"Topology: Full Bridge"} + kDesign;
    QTest::newRow("no parallel C") << false << "0" << QStringList{"Topology: Half Bridge"} + noCap;
}

void TestExport::report()
{
    QFETCH(bool, full);
    QFETCH(QString, zobelCPar);
    QFETCH(QStringList, lines);
    showFolder(m_dir.path());
    typeName("report.txt");
    write();
    // The second write replaces the first report.
    if (!zobelCPar.isEmpty())
        QVERIFY(pickItem(childNamed<QComboBox>(m_form, "zobel_c_par"), zobelCPar));
    if (full)
        childNamed<QAction>(m_form, "Topol_Full_Bridge")->trigger();
    write();
    // The result lines copy the main window's boxes as they stand.
    const QList<std::pair<QString, const char *>> results = {
        {"Maximum Filter Gain:              ", "Text_maxgain"},
        {"Net Filter Gain at 20khz:         ", "Text_netgain_20k"},
        {"Net Filter Gain at 384khz:        ", "Text_netgain_384k"},
        {"RMS power of Rzobel at 7khz:      ", "Text_rzobel_power"}};
    for (const auto &[label, box] : results)
        lines << label + childNamed<QLineEdit>(m_form, box)->text();
    QCOMPARE(contents(path("report.txt")), (lines.join("\r\n") + "\r\n").toLatin1());
    QCOMPARE(m_export->file_path(), m_dir.path() + "/report.txt");
    QCOMPARE(entries(m_dir.path()), QStringList{"report.txt"});
}

void TestExport::nameCheck_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("told");
    QTest::addColumn<QString>("kept");
    QTest::newRow("report") << "report" << true << "default.txt";
    QTest::newRow("REPORT.TXT") << "REPORT.TXT" << false << "REPORT.TXT";
    QTest::newRow("a.txt.bak") << "a.txt.bak" << false << "a.txt.bak";
}

void TestExport::nameCheck()
{
    QFETCH(QString, typed);
    QFETCH(bool, told);
    QFETCH(QString, kept);
    auto *box = childNamed<QLineEdit>(m_export, "Text_file_2_write");
    typeName(typed);
    BoxAnswerer answerer;
    QTest::mouseMove(m_export->windowHandle(), QPoint(1, 1));  // from outside the box onto it
    QTest::mouseMove(m_export->windowHandle(), box->mapTo(m_export, box->rect().center()));
    QTRY_COMPARE_WITH_TIMEOUT(box->text(), kept, 5000);
    QCOMPARE(m_export->file_name(), kept);
    QCOMPARE(answerer.seen.size(), told ? 1 : 0);
    if (told) {
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Quorvel"));
        QCOMPARE(answerer.seen[0].text, QStringLiteral("Please enter in a .txt file"));
        QCOMPARE(answerer.seen[0].icon, QMessageBox::NoIcon);
    }
}

void TestExport::fileList()
{
    for (const char *name : {"old.txt", "other.dat"}) {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    showFolder(m_dir.path());
    auto *files = childNamed<QListView>(m_export, "filBrowse");
    QTRY_COMPARE(listed(files), QStringList{"old.txt"});
    // A click on a file puts its name into the name box.
    const QRect item = files->visualRect(files->model()->index(0, 0, files->rootIndex()));
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, item.center());
    QCOMPARE(childNamed<QLineEdit>(m_export, "Text_file_2_write")->text(), QStringLiteral("old.txt"));
    typeOver(childNamed<QLineEdit>(m_export, "Text1"), "*.dat");
    QCOMPARE(m_export->file_ext(), QStringLiteral("*.dat"));
    QTRY_COMPARE(listed(files), QStringList{"other.dat"});
    // After a write the list shows .txt files again; the filter box keeps its text.
    typeName("new.txt");
    write();
    QTRY_COMPARE(listed(files), (QStringList{"new.txt", "old.txt"}));
    QCOMPARE(childNamed<QLineEdit>(m_export, "Text1")->text(), QStringLiteral("*.dat"));
    // The name is checked only when the pointer crosses it: the button writes what stands there.
    typeName("plain");
    write();
    QVERIFY(contents(path("plain")).startsWith("Topology: Half Bridge\r\n"));
}

void TestExport::writeFailures_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("message");
    QTest::newRow("vanished folder") << "gone" << "report.txt" << 0 << "Error number:5\r\nNo such file or directory";
    QTest::newRow("path through a file") << "" << "report.txt/report.txt" << 0 << "Error number:5\r\nNot a directory";
    QTest::newRow("disk full") << "" << "report.txt" << 100 << "Error number:2\r\nFile too large";
}

void TestExport::writeFailures()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(int, limit);
    QFETCH(QString, message);
    QFile previous(path("report.txt"));
    QVERIFY(previous.open(QIODevice::WriteOnly) && previous.write(kPrevious) == kPrevious.size());
    previous.close();
    if (!folder.isEmpty())
        QVERIFY(QDir(m_dir.path()).mkdir(folder));
    showFolder(path(folder));
    typeName(name);
    if (!folder.isEmpty())
        QVERIFY(QDir(path(folder)).removeRecursively());
    BoxAnswerer answerer;
    {
        std::optional<FileSizeLimit> capped;
        if (limit)
            capped.emplace(limit);
        write();
    }
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].title, QStringLiteral("Bad Drive Selected"));
    QCOMPARE(answerer.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(answerer.seen[0].text, message);
    QCOMPARE(contents(path("report.txt")), kPrevious);
    QCOMPARE(entries(m_dir.path()), QStringList{"report.txt"});
    QCOMPARE(childNamed<QComboBox>(m_export, "drvBrowse")->currentText(), m_export->drive_in_use());
}

void TestExport::oneWindowMadeAfresh()
{
    QCOMPARE(openExport(), m_export);
    typeName("changed.txt");
    QPointer<File_control> first = m_export;
    m_export->close();
    QTRY_VERIFY(!first);
    m_export = openExport();
    QVERIFY(m_export);
    QCOMPARE(childNamed<QLineEdit>(m_export, "Text_file_2_write")->text(), QStringLiteral("default.txt"));
    QCOMPARE(m_export->drive_in_use(), QStorageInfo(QDir::currentPath()).rootPath());
    // Tab runs through the choosers, the filter, the name and the button.
    QApplication::setActiveWindow(m_export);
    childNamed<QWidget>(m_export, "drvBrowse")->setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"drvBrowse", "dirBrowse", "filBrowse", "Text1", "Text_file_2_write", "Command_write_file"}));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
