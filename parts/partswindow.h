#pragma once

#include "core/parts/partslibrary.h"

#include <QWidget>

#include <optional>

class DesignModel;
class QLabel;
class QPushButton;
class QTableWidget;

// The parts library's window: the library's parts with the fields each gives, added, edited and
// removed through the part form, imported from and exported to library files; and the part in
// each slot of the design, attached from the library or made ideal. Every library change goes
// to the design model, which lists the values in the selectors, and to the stored library file.
class PartsWindow : public QWidget
{
    Q_OBJECT

public:
    // storedRefusal: why the stored library was not read at start-up, if it was not; the window
    // then never writes over that file.
    PartsWindow(DesignModel &model, const QString &storedRefusal, QWidget *parent = nullptr);

    // Reads the library kept in the user's settings folder into the model. Empty when it was read
    // or there is none; else the sentence that refused it, the model's library staying as it was.
    static QString loadStoredLibrary(DesignModel &model);

private:
    // Construction.
    void createControls();
    QWidget *createLibraryPanel();
    QWidget *createDesignPanel();

    // What the window shows.
    void showLibrary();
    void showDesignParts();
    void showButtons();
    const Part *selectedPart() const;
    std::optional<PartSlot> selectedSlot() const;
    void say(const QString &message);

    // The buttons.
    void addPart();
    void editPart();
    void removePart();
    void importParts();
    void exportParts();
    void useInDesign();
    void makeIdeal();
    void openEditor(const Part &part, bool adding);

    // Puts the changed library into the model and the stored file.
    void commit(const PartsLibrary &library);

    DesignModel &m_model;
    bool m_storing = true;            // whether library changes are written to the stored file
    QTableWidget *m_table = nullptr;  // the library
    QTableWidget *m_slots = nullptr;  // the design's slots
    QLabel *m_message = nullptr;
    QPushButton *m_edit = nullptr;
    QPushButton *m_remove = nullptr;
    QPushButton *m_use = nullptr;
    QPushButton *m_ideal = nullptr;
};
