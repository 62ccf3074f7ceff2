#include "parts/partswindow.h"

#include "core/common/figuretext.h"
#include "core/designmodel/designmodel.h"
#include "core/parts/partjson.h"
#include "parts/parteditor.h"
#include "widgets/filechooser.h"
#include "widgets/windowlook.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString capitalised(QString s)
{
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QTableWidget *table(const char *name, const QStringList &headers, QWidget *parent)
{
    auto *t = new QTableWidget(0, int(headers.size()), parent);
    t->setObjectName(QLatin1String(name));
    t->setHorizontalHeaderLabels(headers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void setRow(QTableWidget *t, int row, const QStringList &texts)
{
    for (int c = 0; c < texts.size(); ++c) t->setItem(row, c, new QTableWidgetItem(texts[c]));
}

}  // namespace

PartsWindow::PartsWindow(DesignModel &model, const QString &storedRefusal, QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(model), m_storing(storedRefusal.isEmpty())
{
    createControls();
    connect(&m_model, &DesignModel::libraryChanged, this, &PartsWindow::showLibrary);
    connect(&m_model, &DesignModel::changed, this, [this](DesignParts parts) {
        if (parts & kNetworkParts)
            showDesignParts();
    });
    showLibrary();
    showDesignParts();
    if (!storedRefusal.isEmpty())
        say(QStringLiteral("%1 was not read, and changes made here are not saved over it. %2")
                .arg(QDir::toNativeSeparators(storedPartsLibraryPath()), storedRefusal));
}

QString PartsWindow::loadStoredLibrary(DesignModel &model)
{
    const QString path = storedPartsLibraryPath();
    if (!QFileInfo::exists(path))
        return {};
    PartsLibraryRead read = readPartsLibraryPath(path);
    if (const QString *refusal = std::get_if<QString>(&read))
        return *refusal;
    model.setLibrary(std::get<PartsLibrary>(std::move(read)));
    return {};
}

void PartsWindow::createControls()
{
    setObjectName(QStringLiteral("PartsWindow"));
    setWindowTitle(QStringLiteral("Parts library"));
    styleWindow(this, false);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("parts_message"));
    m_message->setWordWrap(true);
    auto *page = new QVBoxLayout(this);
    page->addWidget(createLibraryPanel(), 1);
    page->addWidget(createDesignPanel());
    page->addWidget(m_message);
    resize(720, 560);
}

QWidget *PartsWindow::createLibraryPanel()
{
    auto *panel = new QWidget(this);
    m_table = table(
        "parts_table",
        {QStringLiteral("Kind"), QStringLiteral("Value"), QStringLiteral("Fields given")}, panel);
    auto *add = button(QStringLiteral("Add…"), "parts_add", panel);
    m_edit = button(QStringLiteral("Edit…"), "parts_edit", panel);
    m_remove = button(QStringLiteral("Remove"), "parts_remove", panel);
    auto *import = button(QStringLiteral("Import…"), "parts_import", panel);
    auto *exportButton = button(QStringLiteral("Export…"), "parts_export", panel);
    m_use = button(QStringLiteral("Use in Design"), "parts_use", panel);
    connect(add, &QPushButton::clicked, this, &PartsWindow::addPart);
    connect(m_edit, &QPushButton::clicked, this, &PartsWindow::editPart);
    connect(m_remove, &QPushButton::clicked, this, &PartsWindow::removePart);
    connect(import, &QPushButton::clicked, this, &PartsWindow::importParts);
    connect(exportButton, &QPushButton::clicked, this, &PartsWindow::exportParts);
    connect(m_use, &QPushButton::clicked, this, &PartsWindow::useInDesign);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &PartsWindow::showButtons);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &PartsWindow::editPart);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {add, m_edit, m_remove, import, exportButton, m_use})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(goldLabel(QStringLiteral("Library"), panel), 0, Qt::AlignLeft);
    v->addWidget(m_table);
    v->addLayout(buttons);
    return panel;
}

QWidget *PartsWindow::createDesignPanel()
{
    auto *panel = new QWidget(this);
    m_slots = table("design_parts_table", {QStringLiteral("Slot"), QStringLiteral("Part")}, panel);
    m_slots->setRowCount(int(kAllPartSlots.size()));
    m_ideal = button(QStringLiteral("Ideal Part"), "parts_ideal", panel);
    connect(m_ideal, &QPushButton::clicked, this, &PartsWindow::makeIdeal);
    connect(m_slots, &QTableWidget::itemSelectionChanged, this, &PartsWindow::showButtons);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_ideal);
    buttons->addStretch();
    auto *v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(goldLabel(QStringLiteral("In the design"), panel), 0, Qt::AlignLeft);
    v->addWidget(m_slots);
    v->addLayout(buttons);
    return panel;
}

void PartsWindow::showLibrary()
{
    const std::vector<Part> &parts = m_model.library().parts();
    m_table->setRowCount(int(parts.size()));
    for (std::size_t i = 0; i < parts.size(); ++i)
        setRow(m_table, int(i),
               {capitalised(partKindName(parts[i].kind)),
                parts[i].value + QLatin1Char(' ') + partValueUnit(parts[i].kind),
                partDetails(parts[i])});
    m_table->resizeColumnToContents(0);
    m_table->resizeColumnToContents(1);
    showButtons();
}

void PartsWindow::showDesignParts()
{
    const DesignRecord &r = m_model.record();
    for (const PartSlot slot : kAllPartSlots) {
        const std::optional<Part> &p = r.parts.at(slot);
        const QString value = r.*rememberedText(slotSelector(slot)) + QLatin1Char(' ') +
                              partValueUnit(partKind(slot));
        setRow(m_slots, int(slot),
               {partSlotCaption(slot), !p || p->ideal()
                                           ? QStringLiteral("ideal, ") + value
                                           : value + QStringLiteral("; ") + partDetails(*p)});
    }
    m_slots->resizeColumnToContents(0);
    m_slots->resizeRowsToContents();
    // The five slots without a scroll bar.
    m_slots->setFixedHeight(m_slots->horizontalHeader()->height() +
                            m_slots->verticalHeader()->length() + 2 * m_slots->frameWidth());
    showButtons();
}

void PartsWindow::showButtons()
{
    const bool part = selectedPart();
    m_edit->setEnabled(part);
    m_remove->setEnabled(part);
    m_use->setEnabled(part);
    const std::optional<PartSlot> slot = selectedSlot();
    m_ideal->setEnabled(slot && m_model.record().parts.at(*slot) &&
                        !m_model.record().parts.at(*slot)->ideal());
}

const Part *PartsWindow::selectedPart() const
{
    const QList<QTableWidgetItem *> items = m_table->selectedItems();
    const std::vector<Part> &parts = m_model.library().parts();
    if (items.isEmpty() || items.first()->row() >= int(parts.size()))
        return nullptr;
    return &parts[std::size_t(items.first()->row())];
}

std::optional<PartSlot> PartsWindow::selectedSlot() const
{
    const QList<QTableWidgetItem *> items = m_slots->selectedItems();
    if (items.isEmpty())
        return std::nullopt;
    return kAllPartSlots[std::size_t(items.first()->row())];
}

void PartsWindow::say(const QString &message)
{
    m_message->setText(message);
}

void PartsWindow::addPart()
{
    Part blank;
    if (const Part *p = selectedPart())
        blank.kind = p->kind;
    openEditor(blank, true);
}

void PartsWindow::editPart()
{
    if (const Part *p = selectedPart())
        openEditor(*p, false);
}

void PartsWindow::openEditor(const Part &part, bool adding)
{
    const PartKind kind = part.kind;
    const QString value = part.value;
    auto *editor = new PartEditor(
        part, adding,
        [this, adding, kind, value](const Part &edited) -> std::optional<QString> {
            PartsLibrary next = m_model.library();
            if (std::optional<QString> why =
                    adding ? next.add(edited) : next.replace(kind, value, edited))
                return why;
            commit(next);
            return std::nullopt;
        },
        this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->open();
}

void PartsWindow::removePart()
{
    if (const Part *p = selectedPart()) {
        PartsLibrary next = m_model.library();
        next.remove(p->kind, p->value);
        commit(next);
    }
}

void PartsWindow::importParts()
{
    const QString path = chooseFileToOpen(this, QStringLiteral("Import parts"), QDir::currentPath(),
                                          partsLibraryFilter());
    if (path.isEmpty())
        return;
    PartsLibraryRead read = readPartsLibraryPath(path);
    PartsLibrary next = m_model.library();
    std::optional<QString> refusal;
    if (const QString *why = std::get_if<QString>(&read))
        refusal = *why;
    else
        refusal = next.merge(std::get<PartsLibrary>(read));
    if (refusal)
        return say(QStringLiteral("%1 was not imported. %2")
                       .arg(QDir::toNativeSeparators(path), *refusal));
    commit(next);
    say(QStringLiteral("%1 was imported.").arg(QDir::toNativeSeparators(path)));
}

void PartsWindow::exportParts()
{
    const QString path = chooseFileToSave(this, QStringLiteral("Export parts"),
                                          QDir::current().filePath(QStringLiteral("parts.json")),
                                          partsLibraryFilter(), QStringLiteral("json"));
    if (path.isEmpty())
        return;
    const std::optional<FileFailure> failure = writePartsLibrary(path, m_model.library());
    say(failure ? QStringLiteral("%1 was not written. %2")
                      .arg(QDir::toNativeSeparators(path), failure->description)
                : QStringLiteral("%1 was written.").arg(QDir::toNativeSeparators(path)));
}

void PartsWindow::useInDesign()
{
    const Part *p = selectedPart();
    if (!p)
        return;
    PartSlot slot = p->kind == PartKind::inductor ? PartSlot::filter_l : PartSlot::zobel_r;
    if (p->kind == PartKind::capacitor) {
        const std::array<PartSlot, 3> places = {PartSlot::filter_c, PartSlot::zobel_c_par,
                                                PartSlot::zobel_c_ser};
        QStringList captions;
        for (PartSlot s : places) captions << partSlotCaption(s);
        bool chosen = false;
        const QString place = QInputDialog::getItem(
            this, QStringLiteral("Use in Design"),
            QStringLiteral("Which capacitor of the design is the %1?").arg(partTitle(*p)), captions,
            0, false, &chosen);
        if (!chosen)
            return;
        slot = places[std::size_t(captions.indexOf(place))];
    }
    // A library part fits its slot: the model takes it.
    m_model.setPart(slot, *p);
}

void PartsWindow::makeIdeal()
{
    if (const std::optional<PartSlot> slot = selectedSlot())
        m_model.setPart(*slot, std::nullopt);
}

void PartsWindow::commit(const PartsLibrary &library)
{
    m_model.setLibrary(library);
    if (!m_storing)
        return say(
            QStringLiteral("The library was changed for this session only: the stored "
                           "library, which was not read, is not written over."));
    say({});
    if (const std::optional<FileFailure> failure =
            writePartsLibrary(storedPartsLibraryPath(), library))
        say(QStringLiteral("The library was not saved to %1. %2")
                .arg(QDir::toNativeSeparators(storedPartsLibraryPath()), failure->description));
}
