#include "assistant/assistanttable.h"

#include "core/network/valuelists.h"

#include <cmath>

namespace {

// v at `decimals` places, never "-0.00".
QString fixed(double v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::nearbyint(v * scale) / scale;
    return QString::number(rounded == 0.0 ? 0.0 : rounded, 'f', decimals);
}

QString cellText(const AssistantAnswer &answer, const AssistantDesign &d, int column)
{
    switch (AssistantTable::Column(column)) {
        case AssistantTable::FilterL:
        case AssistantTable::FilterC:
        case AssistantTable::ZobelCPar:
        case AssistantTable::ZobelR:
        case AssistantTable::ZobelCSer: return answer.items(d).at(column);
        case AssistantTable::WorstPeak: return fixed(d.worstPeakDb, 2);
        case AssistantTable::Gain20k: return fixed(d.gain20kDb, 2);
        case AssistantTable::Attenuation: return fixed(d.attenuationDb, 2);
        case AssistantTable::ZobelW: return fixed(d.zobelW, 3);
        case AssistantTable::Ripple: return answer.withCarrier ? fixed(d.rippleApp, 3) : QString();
        case AssistantTable::ColumnCount: break;
    }
    return {};
}

}  // namespace

void AssistantTable::setAnswer(std::shared_ptr<const AssistantAnswer> answer)
{
    beginResetModel();
    m_answer = std::move(answer);
    endResetModel();
}

int AssistantTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_answer ? 0 : int(m_answer->designs.size());
}

int AssistantTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AssistantTable::data(const QModelIndex &index, int role) const
{
    if (!m_answer || !index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    return cellText(*m_answer, m_answer->designs[std::size_t(index.row())], index.column());
}

QVariant AssistantTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[ColumnCount] = {
        "Filter L\nuH",    "Filter C\nuF",   "Zobel C par\nuF", "Zobel R\nohm",
        "Zobel C ser\nuF", "Worst peak\ndB", "Gain 20 kHz\ndB", "Carrier atten.\ndB",
        "Zobel\nW",        "Ripple\nA p-p"};
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QString::fromLatin1(titles[section]);
}
