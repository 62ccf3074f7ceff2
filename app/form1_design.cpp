// The main window's design files: the "&Design" menu, opening a file into the design model and
// saving what the model holds.
#include "app/form1.h"

#include "core/carrier/carrierinputs.h"
#include "widgets/filechooser.h"
#include "widgets/valuecombo.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QUndoStack>

namespace {

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

}  // namespace

QList<QKeySequence> standardKeys(QKeySequence::StandardKey key, const QKeySequence &usual)
{
    QList<QKeySequence> keys{usual};
    for (const QKeySequence &k : QKeySequence::keyBindings(key))
        if (k != usual)
            keys << k;
    return keys;
}

void Form1::createDesignMenu()
{
    QMenu *menu = named(menuBar()->addMenu(QStringLiteral("&Design")), "design");
    const auto item = [this, menu](const QString &text, const char *name,
                                   QKeySequence::StandardKey key, QKeyCombination usual,
                                   auto slot) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcuts(standardKeys(key, usual));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    item(QStringLiteral("&New"), "design_new", QKeySequence::New, Qt::CTRL | Qt::Key_N,
         &Form1::newDesign);
    item(QStringLiteral("&Open…"), "design_open", QKeySequence::Open, Qt::CTRL | Qt::Key_O,
         &Form1::chooseDesignToOpen);
    m_saveDesign = item(QStringLiteral("&Save"), "design_save", QKeySequence::Save,
                        Qt::CTRL | Qt::Key_S, &Form1::saveDesign);
    item(QStringLiteral("Save &As…"), "design_save_as", QKeySequence::SaveAs,
         Qt::CTRL | Qt::SHIFT | Qt::Key_S, &Form1::saveDesignAs);
    QMenu *recent = named(menu->addMenu(QStringLiteral("&Recent")), "design_recent");
    m_recentDesigns = std::make_unique<RecentFiles>(
        recent, QStringLiteral("design/recent"), [this](const QString &path) { openDesign(path); });
    menu->addSeparator();
    createUndoActions(menu);
    menu->addSeparator();
    QAction *hold =
        named(menu->addAction(QStringLiteral("&Hold as reference")), "design_hold_reference");
    connect(hold, &QAction::triggered, this, [this] { m_model->holdReference(designInputs()); });
    m_clearReference =
        named(menu->addAction(QStringLiteral("&Clear reference")), "design_clear_reference");
    connect(m_clearReference, &QAction::triggered, m_model, &DesignModel::clearReference);
    m_clearReference->setEnabled(false);
}

void Form1::newDesign()
{
    if (!changesSettled())
        return;
    // The reference stays held: the start-up design is a common place to compare from.
    {
        const ChangeScope change(*this, QStringLiteral("New design"));
        m_model->apply(DesignInputs::startup(), nullptr);
    }
    // A new design has no changes until the user makes some.
    m_undo->setClean();
    showDesignPath({});
}

void Form1::chooseDesignToOpen()
{
    const QString folder =
        m_designPath.isEmpty() ? QDir::currentPath() : QFileInfo(m_designPath).absolutePath();
    const QString path =
        chooseFileToOpen(this, QStringLiteral("Open a design"), folder, designFileFilter());
    if (!path.isEmpty())
        openDesign(path);
}

void Form1::openDesign(const QString &path)
{
    if (!changesSettled())
        return;
    const QString app = QGuiApplication::applicationDisplayName();
    DesignFileRead read = readDesignFilePath(path);
    if (const QString *refusal = std::get_if<QString>(&read)) {
        // The design shown stays exactly as it was; a file gone since is no longer offered.
        if (!QFileInfo::exists(path))
            m_recentDesigns->remove(path);
        QMessageBox::warning(
            this, app, QStringLiteral("%1 was not opened. %2").arg(shownPath(path), *refusal));
        return;
    }
    DesignFile file = std::get<DesignFile>(std::move(read));
    file.design.loadFile = loadFileOf(path, file.design);
    // The speaker shown stays when the file names it; one that no longer loads is told of, and
    // the rest of the design is worth having without it.
    std::shared_ptr<const MeasuredLoad> measured = m_model->measured();
    QString speakerRefusal;
    if (file.design.loadFile.isEmpty())
        measured = nullptr;
    else if (!measured || measured->path() != file.design.loadFile)
        measured = readMeasured(file.design.loadFile, &speakerRefusal);
    {
        const ChangeScope change(*this, QStringLiteral("Open %1").arg(QFileInfo(path).fileName()));
        m_model->apply(file.design, std::move(measured));
    }
    if (!speakerRefusal.isEmpty())
        QMessageBox::warning(this, app, speakerRefusal);
    if (file.reference)
        m_model->holdReference(*file.reference);
    else
        m_model->clearReference();
    m_designFilesUsed = true;
    showDesignPath(path);
    m_recentDesigns->add(path);
    m_undo->setClean();
    if (!file.missing.isEmpty())
        QMessageBox::information(
            this, app,
            QStringLiteral("%1 was opened without these fields, which took their start-up "
                           "values: %2.")
                .arg(shownPath(path), file.missing.join(QStringLiteral(", "))));
}

bool Form1::saveDesign()
{
    return m_designPath.isEmpty() ? saveDesignAs() : writeDesign(m_designPath);
}

bool Form1::saveDesignAs()
{
    const QString suggested = m_designPath.isEmpty()
                                  ? QDir::current().filePath(QStringLiteral("design.quorvel"))
                                  : m_designPath;
    const QString path = chooseFileToSave(this, QStringLiteral("Save the design"), suggested,
                                          designFileFilter(), designFileSuffix());
    if (path.isEmpty() || !writeDesign(path))
        return false;
    showDesignPath(path);
    m_recentDesigns->add(path);
    return true;
}

bool Form1::writeDesign(const QString &path)
{
    const std::optional<FileFailure> failure =
        writeDesignFile(path, designInputs(), heldReference());
    if (failure) {
        QString reason = failure->description;
        if (!reason.endsWith(QLatin1Char('.')))
            reason += QLatin1Char('.');
        QMessageBox::warning(this, QGuiApplication::applicationDisplayName(),
                             QStringLiteral("%1 was not saved. %2").arg(shownPath(path), reason));
        return false;
    }
    m_designFilesUsed = true;
    m_undo->setClean();
    return true;
}

void Form1::showDesignPath(const QString &path)
{
    m_designPath = path;
    m_saveDesign->setText(path.isEmpty()
                              ? QStringLiteral("&Save")
                              : QStringLiteral("&Save %1").arg(QFileInfo(path).fileName()));
    showCaption();
}

void Form1::showCaption()
{
    // The program's caption names the topology; a design file in use goes before it, marked while
    // the design differs from what was last opened or saved.
    const QString caption = QGuiApplication::applicationDisplayName() +
                            (m_model->record().fullBridge() ? QStringLiteral(" (FULL BRIDGE)")
                                                            : QStringLiteral(" (HALF BRIDGE)"));
    setWindowFilePath(m_designPath);
    setWindowTitle(
        m_designPath.isEmpty()
            ? caption
            : QStringLiteral("%1[*] - %2").arg(QFileInfo(m_designPath).fileName(), caption));
    setWindowModified(!m_designPath.isEmpty() && m_undo && !m_undo->isClean());
}

bool Form1::changesSettled()
{
    // Someone who never opens or saves a design file is never asked.
    if (!m_designFilesUsed || m_undo->isClean())
        return true;
    const QString name =
        m_designPath.isEmpty() ? QStringLiteral("the design") : QFileInfo(m_designPath).fileName();
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        this, QGuiApplication::applicationDisplayName(),
        QStringLiteral("The design has changed. Save the changes to %1?").arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return saveDesign();
    return answer == QMessageBox::Discard;
}
