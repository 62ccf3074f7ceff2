// The main window's design files: the "&Design" menu, opening a file into the controls through
// the handlers a user's change runs, and saving what the controls hold.
#include "app/form1.h"

#include "core/carrier/carrierinputs.h"
#include "widgets/filechooser.h"
#include "widgets/valuecombo.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QUndoStack>

namespace {

bool sameCarrierInputs(const CarrierInputs &a, const CarrierInputs &b)
{
    for (CarrierField f : kAllCarrierFields)
        if (a.*carrierText(f) != b.*carrierText(f))
            return false;
    return a.modulation == b.modulation;
}

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

}  // namespace

void Form1::createDesignMenu()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("&Design"));
    menu->setObjectName(QStringLiteral("design"));
    const auto item = [this, menu](const QString &text, const char *name, QKeySequence key,
                                   void (Form1::*slot)()) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    item(QStringLiteral("&New"), "design_new", QKeySequence::New, &Form1::newDesign);
    item(QStringLiteral("&Open…"), "design_open", QKeySequence::Open, &Form1::chooseDesignToOpen);
    m_saveDesign =
        item(QStringLiteral("&Save"), "design_save", QKeySequence::Save, &Form1::saveDesign);
    item(QStringLiteral("Save &As…"), "design_save_as", QKeySequence::SaveAs, &Form1::saveDesignAs);
    QMenu *recent = menu->addMenu(QStringLiteral("&Recent"));
    recent->setObjectName(QStringLiteral("design_recent"));
    m_recentDesigns = std::make_unique<RecentFiles>(
        recent, QStringLiteral("design/recent"), [this](const QString &path) { openDesign(path); });
    menu->addSeparator();
    createUndoActions(menu);
    menu->addSeparator();
    QAction *hold = menu->addAction(QStringLiteral("&Hold as reference"));
    hold->setObjectName(QStringLiteral("design_hold_reference"));
    connect(hold, &QAction::triggered, this, [this] { holdReference(designInputs()); });
    m_clearReference = item(QStringLiteral("&Clear reference"), "design_clear_reference", {},
                            &Form1::clearReference);
    m_clearReference->setEnabled(false);
}

void Form1::newDesign()
{
    // The reference stays held: the start-up design is a common place to compare from.
    {
        const ChangeScope change(*this, QStringLiteral("New design"));
        applyDesign(DesignInputs::startup());
    }
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
    {
        const ChangeScope change(*this, QStringLiteral("Open %1").arg(QFileInfo(path).fileName()));
        applyDesign(file.design);
    }
    if (file.reference)
        holdReference(*file.reference);
    else
        clearReference();
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

void Form1::saveDesign()
{
    if (m_designPath.isEmpty())
        saveDesignAs();
    else
        writeDesign(m_designPath);
}

void Form1::saveDesignAs()
{
    const QString suggested = m_designPath.isEmpty()
                                  ? QDir::current().filePath(QStringLiteral("design.quorvel"))
                                  : m_designPath;
    const QString path = chooseFileToSave(this, QStringLiteral("Save the design"), suggested,
                                          designFileFilter(), designFileSuffix());
    if (path.isEmpty() || !writeDesign(path))
        return;
    showDesignPath(path);
    m_recentDesigns->add(path);
}

bool Form1::writeDesign(const QString &path)
{
    const std::optional<FileFailure> failure =
        writeDesignFile(path, designInputs(), m_reference ? &m_reference->inputs : nullptr);
    if (failure) {
        QString reason = failure->description;
        if (!reason.endsWith(QLatin1Char('.')))
            reason += QLatin1Char('.');
        QMessageBox::warning(this, QGuiApplication::applicationDisplayName(),
                             QStringLiteral("%1 was not saved. %2").arg(shownPath(path), reason));
        return false;
    }
    m_undo->setClean();
    return true;
}

void Form1::showDesignPath(const QString &path)
{
    // In the Save item rather than the caption, which names the topology alone.
    m_designPath = path;
    m_saveDesign->setText(path.isEmpty()
                              ? QStringLiteral("&Save")
                              : QStringLiteral("&Save %1").arg(QFileInfo(path).fileName()));
}

void Form1::applyDesign(const DesignInputs &d)
{
    // Each input that differs goes through what the user's change of it runs, so that every
    // figure, graph and window follows as it would. The last handler leaves the whole design
    // recalculated whatever the order.
    // 1. The topology, as its menu item.
    if (m_rec.fullBridge() != d.record.fullBridge())
        setTopology(d.record.full_bridge_select);
    // 2. The six lists, each as a pick from its drop-down.
    for (ListSelector s : kAllListSelectors) {
        const QString &text = d.record.*rememberedText(s);
        if (m_rec.*rememberedText(s) != text || selectorBox(s)->currentText() != text)
            pickSelector(s, text);
    }
    // 3. Speaker_L, as a typed text.
    if (m_rec.speaker_l_valtxt != d.record.speaker_l_valtxt ||
        Speaker_L->text() != d.record.speaker_l_valtxt) {
        Speaker_L->setText(d.record.speaker_l_valtxt);
        Apply_speaker_l();
    }
    // 4. The load power, typed into the Power window's box (loaded for it when it is not).
    const QString loadText = m_power ? m_powerState.load_voltage_string : QStringLiteral("50");
    if (loadText != d.loadPowerText)
        loadedPowerWindow()->enterLoadPower(d.loadPowerText);
    // 5. The carrier inputs, as the carrier window hands over an entry.
    if (!sameCarrierInputs(m_rec.carrier, d.record.carrier))
        setCarrierInputs(d.record.carrier);
    // 6. The measured speaker. One that no longer loads has been told of; the rest of the design
    //    is worth having without it, and the speaker shown before belongs to another design.
    const QString loaded = m_measured ? m_measured->load->path() : QString();
    if (loaded != d.loadFile) {
        if (!d.loadFile.isEmpty())
            loadMeasured(d.loadFile);
        if (m_measured && m_measured->load->path() != d.loadFile)
            clearMeasured();
    }
}

void Form1::pickSelector(ListSelector s, const QString &text)
{
    // As a pick leaves the drop-down: the item current and its text in the field, then what the
    // selection runs.
    ValueCombo *box = selectorBox(s);
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    box->setEditText(text);
    switch (s) {
        case ListSelector::filter_l_par: filter_l_par_Click(); break;
        case ListSelector::filter_c_par: filter_c_par_Click(); break;
        case ListSelector::zobel_c_par: zobel_c_par_Click(); break;
        case ListSelector::zobel_r_par: zobel_r_par_Click(); break;
        case ListSelector::zobel_c_ser: zobel_c_ser_Click(); break;
        case ListSelector::speaker_r_mode: speaker_r_mode_Click(); break;
    }
}
