#include "core/parts/partslibrary.h"

#include "core/common/figuretext.h"
#include "core/common/jsontext.h"
#include "core/parts/partjson.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace {

const QString kFormat = QStringLiteral("quorvel-parts");
const QString kFormatKey = QStringLiteral("format");
const QString kVersionKey = QStringLiteral("version");
const QString kPartsKey = QStringLiteral("parts");
const QString kKindKey = QStringLiteral("kind");

// The library's order: by kind, then by value.
bool before(const Part &a, const Part &b)
{
    if (a.kind != b.kind)
        return a.kind < b.kind;
    return a.value.toDouble() < b.value.toDouble();
}

QString alreadyHeld(const Part &p)
{
    return QStringLiteral("The library already has a %1.").arg(partTitle(p));
}

}  // namespace

const Part *PartsLibrary::find(PartKind kind, const QString &value) const
{
    for (const Part &p : m_parts)
        if (p.kind == kind && p.value == value)
            return &p;
    return nullptr;
}

std::optional<QString> PartsLibrary::add(const Part &part)
{
    if (std::optional<QString> why = partRefusal(part))
        return why;
    if (find(part.kind, part.value))
        return alreadyHeld(part);
    m_parts.insert(std::upper_bound(m_parts.begin(), m_parts.end(), part, before), part);
    return std::nullopt;
}

std::optional<QString> PartsLibrary::replace(PartKind kind, const QString &value, const Part &part)
{
    const Part *old = find(kind, value);
    if (!old)
        return QStringLiteral("The library has no %1 of %2 %3 to change.")
            .arg(partKindName(kind), value, partValueUnit(kind));
    PartsLibrary next = *this;
    next.m_parts.erase(next.m_parts.begin() + (old - m_parts.data()));
    if (std::optional<QString> why = next.add(part))
        return why;
    *this = std::move(next);
    return std::nullopt;
}

void PartsLibrary::remove(PartKind kind, const QString &value)
{
    std::erase_if(m_parts, [&](const Part &p) { return p.kind == kind && p.value == value; });
}

std::optional<QString> PartsLibrary::merge(const PartsLibrary &other)
{
    PartsLibrary next = *this;
    for (const Part &p : other.parts()) {
        const Part *held = next.find(p.kind, p.value);
        if (held && *held != p)
            return QStringLiteral("The library already has a different %1.").arg(partTitle(p));
        if (!held)
            next.m_parts.insert(
                std::upper_bound(next.m_parts.begin(), next.m_parts.end(), p, before), p);
    }
    *this = std::move(next);
    return std::nullopt;
}

QByteArray PartsLibrary::bytes() const
{
    QJsonArray parts;
    for (const Part &p : m_parts) {
        QJsonObject o = partObject(p);
        o[kKindKey] = partKindName(p.kind);
        parts.append(o);
    }
    const QJsonObject file{
        {kFormatKey, kFormat}, {kVersionKey, kPartsLibraryVersion}, {kPartsKey, parts}};
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

QString partsLibraryFilter()
{
    return QStringLiteral("Quorvel parts (*.json)");
}

PartsLibraryRead readPartsLibrary(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("The file is not JSON: %1 near byte %2.")
            .arg(error.errorString())
            .arg(qBound(qsizetype(1), qsizetype(error.offset), bytes.size()));
    const QJsonObject o = doc.object();
    if (!doc.isObject() || o.value(kFormatKey) != QJsonValue(kFormat))
        return QStringLiteral("The file is not a parts library: it has no \"format\" of \"%1\".")
            .arg(kFormat);
    if (std::optional<QString> why = versionRefusal(o.value(kVersionKey), kPartsLibraryVersion,
                                                    QStringLiteral("the parts library")))
        return *why;
    for (auto it = o.constBegin(); it != o.constEnd(); ++it)
        if (it.key() != kFormatKey && it.key() != kVersionKey && it.key() != kPartsKey)
            return QStringLiteral("The file holds an unknown field, %1.").arg(quotedText(it.key()));
    if (!o.value(kPartsKey).isArray())
        return QStringLiteral("The field \"parts\" holds %1, not a list.")
            .arg(shownValue(o.value(kPartsKey)));
    PartsLibrary library;
    int n = 0;
    for (const QJsonValue &item : o.value(kPartsKey).toArray()) {
        ++n;
        QJsonObject part = item.toObject();
        const std::optional<PartKind> kind = partKindNamed(part.value(kKindKey).toString());
        if (!item.isObject() || !kind)
            return QStringLiteral(
                       "Part %1 of the file is not an object with a \"kind\" of \"inductor\", "
                       "\"capacitor\" or \"resistor\".")
                .arg(n);
        part.remove(kKindKey);
        std::variant<Part, QString> read = partFromObject(*kind, part);
        if (const QString *why = std::get_if<QString>(&read))
            return *why;
        if (library.find(*kind, std::get<Part>(read).value))
            return QStringLiteral("The file holds the %1 twice.")
                .arg(partTitle(std::get<Part>(read)));
        library.add(std::get<Part>(read));
    }
    return library;
}

PartsLibraryRead readPartsLibraryPath(const QString &path)
{
    std::variant<QByteArray, QString> read =
        readFileUpTo(path, kMaxPartsLibraryBytes,
                     QStringLiteral("The file is larger than the 4 MB a parts library may have."));
    if (const QString *refusal = std::get_if<QString>(&read))
        return *refusal;
    return readPartsLibrary(std::get<QByteArray>(read));
}

std::optional<FileFailure> writePartsLibrary(const QString &path, const PartsLibrary &library)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileAtomically(path, library.bytes());
}

QString storedPartsLibraryPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("parts.json"));
}
