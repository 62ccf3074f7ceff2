#include "core/files/designfile.h"

#include "core/carrier/carrierinputs.h"
#include "core/common/entryrule.h"
#include "core/common/figuretext.h"
#include "core/common/jsontext.h"
#include "core/network/valuelists.h"
#include "core/parts/partjson.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

const QString kFormat = QStringLiteral("quorvel-design");
const QString kFormatKey = QStringLiteral("format");
const QString kVersionKey = QStringLiteral("version");
const QString kReferenceKey = QStringLiteral("reference");
const QString kSpeakerL = QStringLiteral("Speaker_L");
const QString kTopology = QStringLiteral("topology");
const QString kLoadPower = QStringLiteral("load_power");
const QString kModulation = QStringLiteral("modulation");
const QString kLoadFile = QStringLiteral("load_file");
const QString kParts = QStringLiteral("parts");

// The key of each part slot in "parts".
QString slotKey(PartSlot slot)
{
    switch (slot) {
        case PartSlot::filter_l: return QStringLiteral("filter_l");
        case PartSlot::filter_c: return QStringLiteral("filter_c");
        case PartSlot::zobel_r: return QStringLiteral("zobel_r");
        case PartSlot::zobel_c_par: return QStringLiteral("zobel_c_par");
        case PartSlot::zobel_c_ser: break;
    }
    return QStringLiteral("zobel_c_ser");
}

// ---- The design fields ----

// Takes a field's text into the design as typing it would; when the text is refused, the end of
// the sentence that says why ("which is not one of its items: ...").
using Apply = std::function<std::optional<QString>(DesignInputs &, const QString &)>;
struct Field {
    QString name;
    Apply apply;
};

std::optional<QString> notRule(const EntryRule &rule)
{
    return QStringLiteral("which is not %1.").arg(describeRule(rule));
}

// In the order they are taken: the switching frequency before the audio frequency, so that an
// audio frequency not below the switching frequency is refused as that, in its own field.
const std::vector<Field> &fields()
{
    static const std::vector<Field> table = [] {
        std::vector<Field> t;
        // A selector takes its own items and the value of the part in its slot, if any.
        for (const ListSelector s : kAllListSelectors)
            t.push_back({selectorName(s), [s](DesignInputs &d, const QString &text) {
                             const std::optional<PartSlot> slot = partSlot(s);
                             const std::optional<Part> &part =
                                 d.record.parts.at(slot.value_or(PartSlot::filter_l));
                             if (slot && part && part->value != text)
                                 return std::optional(
                                     QStringLiteral("which is not %1, the value of the part in "
                                                    "its slot.")
                                         .arg(quotedText(part->value)));
                             return acceptSelection(d.record, s, text)
                                        ? std::nullopt
                                        : std::optional(
                                              QStringLiteral("which is not one of its items: %1.")
                                                  .arg(listItems(s).join(QStringLiteral(", "))));
                         }});
        t.push_back({kSpeakerL, [](DesignInputs &d, const QString &text) {
                         const Entry e = checkEntry(kSpeakerLRule, text);
                         if (e.verdict != Entry::Accepted)
                             return notRule(kSpeakerLRule);
                         d.record.actual_l_net = e.value;
                         d.record.speaker_l_valtxt = text;
                         return std::optional<QString>();
                     }});
        t.push_back({kTopology, [](DesignInputs &d, const QString &text) {
                         if (text != QLatin1String("half") && text != QLatin1String("full"))
                             return std::optional(
                                 QStringLiteral("which is neither \"half\" nor \"full\"."));
                         d.record.full_bridge_select =
                             text == QLatin1String("full") ? kFlagTrue : kFlagFalse;
                         return std::optional<QString>();
                     }});
        t.push_back({kLoadPower, [](DesignInputs &d, const QString &text) {
                         const Entry e = checkEntry(kLoadPowerRule, text);
                         if (e.verdict != Entry::Accepted)
                             return notRule(kLoadPowerRule);
                         d.loadPower = e.value;
                         d.loadPowerText = text;
                         return std::optional<QString>();
                     }});
        for (const CarrierField f : {CarrierField::switching, CarrierField::supply,
                                     CarrierField::audio, CarrierField::zobelRating,
                                     CarrierField::inductorRating, CarrierField::capacitorRating})
            t.push_back({carrierFieldName(f), [f](DesignInputs &d, const QString &text) {
                             const Entry::Verdict v = checkEntry(carrierRule(f), text).verdict;
                             if (v != Entry::Accepted && v != Entry::Unset)
                                 return notRule(carrierRule(f));
                             CarrierInputs &in = d.record.carrier;
                             if (acceptCarrierText(in, f, text) == Entry::Rejected)
                                 return std::optional(
                                     f == CarrierField::switching
                                         ? QStringLiteral("which is not above the audio "
                                                          "frequency, %1 Hz.")
                                               .arg(in.audioText)
                                         : QStringLiteral("which is not below the switching "
                                                          "frequency, %1 kHz.")
                                               .arg(in.switchingText));
                             return std::optional<QString>();
                         }});
        t.push_back({kModulation, [](DesignInputs &d, const QString &text) {
                         const std::optional<Modulation> m = modulationNamed(text);
                         if (!m)
                             return std::optional(
                                 QStringLiteral("which is neither \"ad\" nor \"bd\"."));
                         d.record.carrier.modulation = *m;
                         return std::optional<QString>();
                     }});
        // The window opens it, and says so when it cannot.
        t.push_back({kLoadFile, [](DesignInputs &d, const QString &text) {
                         d.loadFile = text;
                         return std::optional<QString>();
                     }});
        return t;
    }();
    return table;
}

// ---- Writing ----

// The text a typed value is written as. The record may keep a text its rule does not take as a
// value (a lone "." on the way to ".5"); the file gets the value's shortest round-trip text
// instead, without the zero before the point so that it stays within the rule's length, so that
// the file always opens.
QString valueText(const EntryRule &rule, const QString &text, double value)
{
    if (checkEntry(rule, text).verdict == Entry::Accepted)
        return text;
    QString s = QString::fromLatin1(roundTripText(value));
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    return s;
}

QJsonObject designObject(const DesignInputs &d)
{
    QJsonObject o;
    for (const ListSelector s : kAllListSelectors) o[selectorName(s)] = d.record.*rememberedText(s);
    o[kSpeakerL] = valueText(kSpeakerLRule, d.record.speaker_l_valtxt, d.record.actual_l_net);
    o[kTopology] = d.record.fullBridge() ? QStringLiteral("full") : QStringLiteral("half");
    o[kLoadPower] = valueText(kLoadPowerRule, d.loadPowerText, d.loadPower);
    for (const CarrierField f : kAllCarrierFields)
        o[carrierFieldName(f)] = d.record.carrier.*carrierText(f);
    o[kModulation] = modulationName(d.record.carrier.modulation);
    o[kLoadFile] = d.loadFile;
    if (!d.record.parts.empty()) {
        QJsonObject parts;
        for (const PartSlot slot : kAllPartSlots)
            if (const std::optional<Part> &p = d.record.parts.at(slot))
                parts[slotKey(slot)] = partObject(*p);
        o[kParts] = parts;
    }
    return o;
}

// The design's parts from "parts", slot by slot.
std::optional<QString> readParts(const QJsonValue &value, const QString &prefix, BoardParts &parts)
{
    const QString name = prefix + kParts;
    if (!value.isObject())
        return QStringLiteral("The field %1 holds %2, not an object.")
            .arg(quotedText(name), shownValue(value));
    const QJsonObject o = value.toObject();
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        const QString key = name + QLatin1Char('.') + it.key();
        const auto slot = std::find_if(kAllPartSlots.begin(), kAllPartSlots.end(),
                                       [&](PartSlot s) { return slotKey(s) == it.key(); });
        if (slot == kAllPartSlots.end())
            return QStringLiteral("The file holds an unknown field, %1.").arg(quotedText(key));
        if (!it->isObject())
            return QStringLiteral("The field %1 holds %2, not an object.")
                .arg(quotedText(key), shownValue(*it));
        std::variant<Part, QString> part = partFromObject(partKind(*slot), it->toObject(),
                                                          QStringLiteral(" in ") + quotedText(key));
        if (const QString *why = std::get_if<QString>(&part))
            return *why;
        parts.at(*slot) = std::get<Part>(std::move(part));
    }
    return std::nullopt;
}

// ---- Reading ----

// Where bytes stop being strict UTF-8 (overlong forms, surrogates and code points above
// U+10FFFF are refused); -1 when they are.
qsizetype firstInvalidUtf8(const QByteArray &bytes)
{
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t cp = 0;
        if (c >= 0xc2 && c <= 0xdf)
            length = 2, cp = c & 0x1f;
        else if (c >= 0xe0 && c <= 0xef)
            length = 3, cp = c & 0x0f;
        else if (c >= 0xf0 && c <= 0xf4)
            length = 4, cp = c & 0x07;
        else
            return i;
        if (n - i < length)
            return i;
        for (int k = 1; k < length; ++k) {
            const auto cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xc0) != 0x80)
                return i;
            cp = (cp << 6) | (cc & 0x3f);
        }
        if ((length == 3 && (cp < 0x800 || (cp >= 0xd800 && cp <= 0xdfff))) ||
            (length == 4 && (cp < 0x10000 || cp > 0x10ffff)))
            return i;
        i += length;
    }
    return -1;
}

// The text of a JSON string token, quotes included.
QString tokenText(const QByteArray &token)
{
    if (!token.contains('\\'))
        return QString::fromUtf8(token.mid(1, token.size() - 2));
    return QJsonDocument::fromJson('[' + token + ']').array().at(0).toString();
}

QString joined(const QString &path, const QString &key)
{
    return path.isEmpty() ? key : path + QLatin1Char('.') + key;
}

// What QJsonDocument does not tell: whether objects and lists nest too deep (found before it
// parses, whatever the rest of the bytes), and the first key that an object holds twice (only
// meaningful once the bytes parse), as "reference.supply".
struct Scan {
    bool tooDeep = false;
    QString duplicate;
};

Scan scanJson(const QByteArray &bytes)
{
    struct Frame {
        bool object = false;
        bool expectKey = false;
        QString path;
        QString lastKey;
        QSet<QString> keys;
    };
    std::vector<Frame> stack;
    Scan scan;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '"') {
            const qsizetype start = i;
            for (++i; i < n && bytes[i] != '"'; ++i)
                if (bytes[i] == '\\')
                    ++i;
            if (stack.empty() || !stack.back().object || !stack.back().expectKey)
                continue;
            Frame &f = stack.back();
            const QString key = tokenText(bytes.mid(start, i - start + 1));
            f.expectKey = false;
            f.lastKey = key;
            if (f.keys.contains(key) && scan.duplicate.isEmpty())
                scan.duplicate = joined(f.path, key);
            f.keys.insert(key);
        } else if (c == '{' || c == '[') {
            if (stack.size() >= std::size_t(kMaxDesignFileDepth)) {
                scan.tooDeep = true;
                return scan;
            }
            Frame f;
            f.object = f.expectKey = c == '{';
            if (!stack.empty())
                f.path = stack.back().object ? joined(stack.back().path, stack.back().lastKey)
                                             : stack.back().path;
            stack.push_back(std::move(f));
        } else if (c == '}' || c == ']') {
            if (!stack.empty())
                stack.pop_back();
        } else if (c == ',' && !stack.empty() && stack.back().object) {
            stack.back().expectKey = true;
        }
    }
    return scan;
}

// Reads one design's fields from o, starting from the start-up design; prefix names the object
// in refusals and in the missing list ("reference.").
std::optional<QString> readDesign(const QJsonObject &o, const QString &prefix, bool top,
                                  int version, DesignInputs &d, QStringList &missing)
{
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        const QString &key = it.key();
        const bool fileKey = key == kFormatKey || key == kVersionKey || key == kReferenceKey;
        if (!designFieldNames().contains(key) && !(top && fileKey) &&
            !(version >= 2 && key == kParts))
            return QStringLiteral("The file holds an unknown field, %1.")
                .arg(quotedText(prefix + key));
    }
    d = DesignInputs::startup();
    for (const QString &name : designFieldNames())
        if (!o.contains(name))
            missing << prefix + name;
    if (o.contains(kParts))
        if (std::optional<QString> refusal = readParts(o.value(kParts), prefix, d.record.parts))
            return refusal;
    for (const Field &f : fields()) {
        const auto it = o.constFind(f.name);
        if (it == o.constEnd())
            continue;
        const QJsonValue value = it.value();
        const QString name = quotedText(prefix + f.name);
        if (!value.isString())
            return QStringLiteral("The field %1 holds %2, not a text.")
                .arg(name, shownValue(value));
        if (const std::optional<QString> why = f.apply(d, value.toString()))
            return QStringLiteral("The field %1 holds %2, %3")
                .arg(name, quotedText(value.toString()), *why);
    }
    for (const PartSlot slot : kAllPartSlots) {
        const QString &text = d.record.*rememberedText(slotSelector(slot));
        if (const std::optional<Part> &p = d.record.parts.at(slot); p && p->value != text)
            return QStringLiteral(
                       "The field %1 is missing, and its start-up item %2 is not %3, the value "
                       "of the part in its slot.")
                .arg(quotedText(prefix + selectorName(slotSelector(slot))), quotedText(text),
                     quotedText(p->value));
    }
    return std::nullopt;
}

QString tooLarge()
{
    return QStringLiteral("The file is larger than the 1 MB a design file may have.");
}

}  // namespace

DesignInputs DesignInputs::startup()
{
    DesignInputs d;
    d.record = DesignRecord::startup();
    return d;
}

QString designFileSuffix()
{
    return QStringLiteral("quorvel");
}

QString designFileFilter()
{
    return QStringLiteral("Quorvel designs (*.quorvel)");
}

const QStringList &designFieldNames()
{
    static const QStringList names = [] {
        QStringList n;
        for (const Field &f : fields()) n << f.name;
        std::sort(n.begin(), n.end());  // as QJsonObject orders its keys
        return n;
    }();
    return names;
}

QByteArray designFileBytes(const DesignInputs &design, const DesignInputs *reference)
{
    QJsonObject o = designObject(design);
    o[kFormatKey] = kFormat;
    // Parts came with version 2; a design without any is written as it always was.
    const bool parts =
        !design.record.parts.empty() || (reference && !reference->record.parts.empty());
    o[kVersionKey] = parts ? kDesignFileVersion : 1;
    if (reference)
        o[kReferenceKey] = designObject(*reference);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

DesignFileRead readDesignFile(const QByteArray &bytes)
{
    if (bytes.size() > kMaxDesignFileBytes)
        return tooLarge();
    if (bytes.isEmpty())
        return QStringLiteral("The file is empty, not a design file.");
    if (const qsizetype bad = firstInvalidUtf8(bytes); bad >= 0)
        return QStringLiteral("The file is not UTF-8 text: byte %1 (0x%2) does not belong there.")
            .arg(bad + 1)
            .arg(static_cast<unsigned char>(bytes[bad]), 2, 16, QLatin1Char('0'));
    const Scan scan = scanJson(bytes);
    if (scan.tooDeep)
        return QStringLiteral(
                   "The file nests more than %1 levels deep; a design file nests 6 at most, "
                   "down to the points of its reference's part curves.")
            .arg(kMaxDesignFileDepth);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("The file is not JSON: %1 near byte %2.")
            .arg(error.errorString())
            .arg(qBound(qsizetype(1), qsizetype(error.offset), bytes.size()));
    if (!doc.isObject())
        return QStringLiteral(
            "The file is not a design file: it holds a JSON list, not an object.");
    if (!scan.duplicate.isEmpty())
        return QStringLiteral("The field %1 appears twice.").arg(quotedText(scan.duplicate));

    const QJsonObject o = doc.object();
    if (!o.contains(kFormatKey))
        return QStringLiteral("The file is not a design file: it has no \"format\" field.");
    if (o.value(kFormatKey) != QJsonValue(kFormat))
        return QStringLiteral("The file is not a design file: its \"format\" holds %1, not \"%2\".")
            .arg(shownValue(o.value(kFormatKey)), kFormat);
    if (!o.contains(kVersionKey))
        return QStringLiteral("The file has no \"version\" field.");
    if (std::optional<QString> why = versionRefusal(o.value(kVersionKey), kDesignFileVersion,
                                                    QStringLiteral("the design format")))
        return *why;
    const int version = o.value(kVersionKey).toInt();

    DesignFile file;
    if (std::optional<QString> refusal =
            readDesign(o, QString(), true, version, file.design, file.missing))
        return *refusal;
    if (o.contains(kReferenceKey)) {
        const QJsonValue ref = o.value(kReferenceKey);
        if (!ref.isObject())
            return QStringLiteral("The field \"reference\" holds %1, not an object.")
                .arg(shownValue(ref));
        file.reference.emplace();
        if (std::optional<QString> refusal =
                readDesign(ref.toObject(), kReferenceKey + QLatin1Char('.'), false, version,
                           *file.reference, file.missing))
            return *refusal;
    }
    return file;
}

DesignFileRead readDesignFilePath(const QString &path)
{
    std::variant<QByteArray, QString> read = readFileUpTo(path, kMaxDesignFileBytes, tooLarge());
    if (QString *refusal = std::get_if<QString>(&read))
        return *refusal;
    return readDesignFile(std::get<QByteArray>(read));
}

namespace {

// A load file in the design file's folder, or below it, as a path from that folder, so that the
// two move and travel together; any other, or one already relative, as it stands.
QString storedLoadFile(const QString &designPath, const QString &loadFile)
{
    if (loadFile.isEmpty() || QDir::isRelativePath(loadFile))
        return loadFile;
    const QString relative =
        QFileInfo(designPath).absoluteDir().relativeFilePath(QDir::cleanPath(loadFile));
    const bool outside = relative == QLatin1String("..") ||
                         relative.startsWith(QLatin1String("../")) ||
                         QDir::isAbsolutePath(relative);
    return outside ? loadFile : relative;
}

}  // namespace

std::optional<FileFailure> writeDesignFile(const QString &path, const DesignInputs &design,
                                           const DesignInputs *reference)
{
    DesignInputs stored = design;
    stored.loadFile = storedLoadFile(path, design.loadFile);
    std::optional<DesignInputs> storedReference;
    if (reference) {
        storedReference = *reference;
        storedReference->loadFile = storedLoadFile(path, reference->loadFile);
    }
    return writeFileAtomically(
        path, designFileBytes(stored, storedReference ? &*storedReference : nullptr));
}

QString loadFileOf(const QString &designPath, const DesignInputs &design)
{
    if (design.loadFile.isEmpty())
        return QString();
    return QDir::cleanPath(QFileInfo(designPath).dir().filePath(design.loadFile));
}
