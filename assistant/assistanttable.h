#pragma once

#include "core/tradeoff/assistant.h"

#include <QAbstractTableModel>

#include <memory>

// The design assistant's answer as a table, one design a row: its five items as the lists write
// them, then its figures at a fixed precision. Read-only; a new answer replaces the old at once.
class AssistantTable : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        FilterL,
        FilterC,
        ZobelCPar,
        ZobelR,
        ZobelCSer,
        WorstPeak,
        Gain20k,
        Attenuation,
        ZobelW,
        Ripple,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    // Null: no rows.
    void setAnswer(std::shared_ptr<const AssistantAnswer> answer);
    const AssistantAnswer *answer() const { return m_answer.get(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const AssistantAnswer> m_answer;
};
