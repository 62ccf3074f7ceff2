#pragma once

#include "core/parts/part.h"
#include "core/parts/partjson.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;

// The form a part is added or edited in: its kind, its value and a box for every field of its
// kind, an empty box being a field not given. OK hands the part to whoever opened the form; a part
// refused there or by the form's own reading keeps the form open with the sentence under it.
class PartEditor : public QDialog
{
    Q_OBJECT

public:
    // Takes an edited part: none when it took it, else the sentence that refuses it.
    using Take = std::function<std::optional<QString>(const Part &)>;

    // Shows part; its kind can be changed only for a part being added.
    PartEditor(const Part &part, bool adding, Take take, QWidget *parent = nullptr);

    void accept() override;

private:
    struct Box {
        PartField field;
        QLabel *caption = nullptr;
        QWidget *box = nullptr;  // a QLineEdit, or the dielectric's QComboBox
    };

    void createControls(bool adding);
    void showPart(const Part &part);
    void showKind();
    PartKind kind() const;
    // The part as the boxes give it, in the form a file holds it.
    QJsonObject typed() const;

    Take m_take;
    QComboBox *m_kind = nullptr;
    QLabel *m_valueCaption = nullptr;
    QLineEdit *m_value = nullptr;
    std::vector<Box> m_boxes;
    QLabel *m_refusal = nullptr;
};
