#include "core/measured/impedancefile.h"

#include "core/common/savefile.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace {

// How much of a field a sentence quotes.
constexpr qsizetype kQuotedChars = 24;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Bytes no text file holds: control characters other than TAB, LF, VT, FF and CR.
bool isBinaryByte(unsigned char c)
{
    return c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r';
}

bool equalsNoCase(std::string_view a, std::string_view lowerB)
{
    if (a.size() != lowerB.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i]) != lowerB[i])
            return false;
    return true;
}

QString quoted(std::string_view text)
{
    QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (s.size() > kQuotedChars)
        s = s.left(kQuotedChars) + QStringLiteral("...");
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString field(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size())).left(kQuotedChars);
}

QString tooLarge()
{
    return QStringLiteral("The file is larger than the %1 MB an impedance file may have.")
        .arg(kMaxImpedanceFileBytes / (1024 * 1024));
}

struct Number {
    double value = 0.0;
    bool outOfRange = false;  // too large or too small for a double: refused, value unset
};

// The number a whole field spells: an optional sign, then digits with at most one decimal mark
// ('.', or ',' too where decimalComma) and an optional exponent, or inf, infinity, nan.
// buffer is scratch space, kept by the caller so that a long file allocates it once.
std::optional<Number> parseNumber(std::string_view s, bool decimalComma, std::string &buffer)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const std::string_view body = s.substr(i);
    if (equalsNoCase(body, "inf") || equalsNoCase(body, "infinity"))
        return Number{negative ? -std::numeric_limits<double>::infinity()
                               : std::numeric_limits<double>::infinity()};
    if (equalsNoCase(body, "nan"))
        return Number{std::numeric_limits<double>::quiet_NaN()};

    std::size_t intDigits = 0, fracDigits = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++intDigits;
        ++i;
    }
    if (i < s.size() && (s[i] == '.' || (decimalComma && s[i] == ','))) {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++fracDigits;
            ++i;
        }
    }
    if (intDigits + fracDigits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) {
            ++expDigits;
            ++i;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;

    // from_chars reads neither a leading '+' nor a decimal comma, and never the locale.
    buffer.clear();
    if (negative)
        buffer.push_back('-');
    buffer.append(body);
    for (char &c : buffer)
        if (c == ',')
            c = '.';
    Number n;
    const auto [end, ec] = std::from_chars(buffer.data(), buffer.data() + buffer.size(), n.value);
    if (ec == std::errc::result_out_of_range) {
        n.outOfRange = true;
    } else if (ec != std::errc() || end != buffer.data() + buffer.size()) {
        return std::nullopt;
    }
    return n;
}

// A line's fields, leading and trailing blanks removed.
struct Fields {
    static constexpr int kMax = 4;  // one more than a line may hold, to tell that it holds more
    std::array<std::string_view, kMax> text;
    int count = 0;
    bool decimalComma = false;
    bool emptyField = false;  // two separators with nothing between them
};

// Splits a line (no line end, not empty) into fields. A comma is a decimal comma on a line that
// has a semicolon or whose fields are separated by blanks alone; elsewhere it separates fields.
Fields splitFields(std::string_view line)
{
    Fields f;
    bool blanksOnly = line.find(';') == std::string_view::npos;
    if (blanksOnly) {
        // Blank-separated words, none starting or ending with a comma, and at least two of them.
        int words = 0;
        for (std::size_t i = 0; i < line.size();) {
            while (i < line.size() && isBlank(line[i])) ++i;
            if (i == line.size())
                break;
            const std::size_t start = i;
            while (i < line.size() && !isBlank(line[i])) ++i;
            ++words;
            if (line[start] == ',' || line[i - 1] == ',')
                blanksOnly = false;
        }
        blanksOnly = blanksOnly && words >= 2;
    }
    f.decimalComma = blanksOnly || line.find(';') != std::string_view::npos;
    const char hardSeparator = f.decimalComma ? ';' : ',';

    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i])) ++i;
    while (i < line.size()) {
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i]) && line[i] != hardSeparator) ++i;
        if (f.count < Fields::kMax)
            f.text[std::size_t(f.count)] = line.substr(start, i - start);
        ++f.count;
        // The separator: blanks with at most one hard separator among them.
        int hard = 0;
        while (i < line.size() && (isBlank(line[i]) || line[i] == hardSeparator))
            hard += line[i++] == hardSeparator;
        if (hard > 1 && i < line.size())
            f.emptyField = true;
    }
    if (f.count > Fields::kMax)
        f.count = Fields::kMax;
    return f;
}

// Reads one data file, line by line, into points; stops at the first fault with its sentence.
class Reader
{
public:
    explicit Reader(const QByteArray &bytes) : m_bytes(bytes.constData(), std::size_t(bytes.size()))
    {
    }

    ImpedanceRead read()
    {
        if (qint64(m_bytes.size()) > kMaxImpedanceFileBytes)
            return tooLarge();
        if (const std::optional<QString> binary = findBinary())
            return *binary;
        std::string_view rest = m_bytes;
        if (rest.substr(0, 3) == "\xEF\xBB\xBF")  // UTF-8 byte order mark
            rest.remove_prefix(3);
        int lineNumber = 0;
        while (!rest.empty()) {
            ++lineNumber;
            std::size_t end = 0;
            while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r') ++end;
            const std::string_view line = rest.substr(0, end);
            if (end < rest.size() && rest[end] == '\r' && end + 1 < rest.size() &&
                rest[end + 1] == '\n')
                ++end;
            rest.remove_prefix(std::min(end + 1, rest.size()));
            if (std::optional<QString> fault = readLine(line, lineNumber))
                return *fault;
        }
        if (m_data.points.isEmpty())
            return QStringLiteral("The file holds no data: no line starts with a number.");
        if (m_data.points.size() < kMinImpedancePoints)
            return QStringLiteral(
                       "The file holds only %1 points, the last on line %2; at least %3 "
                       "are needed.")
                .arg(m_data.points.size())
                .arg(m_lastLine)
                .arg(kMinImpedancePoints);
        return std::move(m_data);
    }

private:
    std::optional<QString> findBinary() const
    {
        int lineNumber = 1;
        for (std::size_t i = 0; i < m_bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(m_bytes[i]);
            if (c == '\n' || (c == '\r' && (i + 1 == m_bytes.size() || m_bytes[i + 1] != '\n')))
                ++lineNumber;
            else if (isBinaryByte(c))
                return QStringLiteral("Line %1: binary content (byte 0x%2), not text.")
                    .arg(lineNumber)
                    .arg(uint(c), 2, 16, QLatin1Char('0'));
        }
        return std::nullopt;
    }

    std::optional<QString> readLine(std::string_view line, int n)
    {
        std::size_t first = 0;
        while (first < line.size() && isBlank(line[first])) ++first;
        if (first == line.size() ||
            std::string_view("*'#;!").find(line[first]) != std::string_view::npos)
            return std::nullopt;
        const Fields f = splitFields(line);
        std::array<Number, 3> values;
        const auto prefix = [n] { return QStringLiteral("Line %1: ").arg(n); };
        // A line is data when its first field is a number; anything else is free text.
        const std::optional<Number> frequency = parseNumber(f.text[0], f.decimalComma, m_buffer);
        if (!frequency)
            return std::nullopt;
        if (f.emptyField)
            return prefix() + QStringLiteral("an empty field between two separators.");
        if (f.count < 2)
            return prefix() + QStringLiteral("a frequency without a magnitude.");
        if (f.count > 3)
            return prefix() + QStringLiteral(
                                  "more than three fields; a line holds a frequency, a "
                                  "magnitude and perhaps a phase.");
        if (m_firstLine == 0) {
            m_data.hasPhase = f.count == 3;
            m_firstLine = n;
        } else if (m_data.hasPhase != (f.count == 3)) {
            return prefix() + (m_data.hasPhase
                                   ? QStringLiteral("no phase, while line %1 gives one.")
                                   : QStringLiteral("a phase, while line %1 gives none."))
                                  .arg(m_firstLine);
        }
        values[0] = *frequency;
        for (int k = 1; k < f.count; ++k) {
            const std::optional<Number> v =
                parseNumber(f.text[std::size_t(k)], f.decimalComma, m_buffer);
            if (!v)
                return prefix() +
                       QStringLiteral("%1 is not a number.").arg(quoted(f.text[std::size_t(k)]));
            values[std::size_t(k)] = *v;
        }
        if (const std::optional<QString> fault = valueFault(f, values))
            return prefix() + *fault;
        const ImpedancePoint p{values[0].value, values[1].value,
                               f.count == 3 ? values[2].value : 0};
        if (const std::optional<QString> fault = add(p, f.text[0], n))
            return prefix() + *fault;
        return std::nullopt;
    }

    // What is wrong with a data line's numbers, if anything.
    static std::optional<QString> valueFault(const Fields &f, const std::array<Number, 3> &values)
    {
        static const char *const kWhat[] = {"frequency", "magnitude", "phase"};
        static const char *const kUnit[] = {" Hz", " ohm", "\u00b0"};
        for (int k = 0; k < f.count; ++k) {
            const Number &v = values[std::size_t(k)];
            const QString what = QStringLiteral("the %1 %2%3")
                                     .arg(QLatin1String(kWhat[k]), field(f.text[std::size_t(k)]),
                                          QString::fromUtf8(kUnit[k]));
            if (v.outOfRange)
                return what + QStringLiteral(" is out of range.");
            if (!std::isfinite(v.value))
                return what + QStringLiteral(" is not a finite number.");
            if (k < 2 && !(v.value > 0))
                return what + QStringLiteral(" is not above zero.");
            if (k == 2 && std::abs(v.value) > 90)
                return what +
                       QStringLiteral(" is beyond \u00b190\u00b0, which no passive load reaches.");
        }
        return std::nullopt;
    }

    // The point of line n, its frequency as written; refused when it goes back in frequency.
    std::optional<QString> add(const ImpedancePoint &p, std::string_view frequency, int n)
    {
        if (!m_data.points.isEmpty()) {
            ImpedancePoint &last = m_data.points.last();
            if (p.hz < last.hz)
                return QStringLiteral("the frequency %1 Hz is below the %2 Hz of line %3.")
                    .arg(field(frequency), field(m_lastFrequency))
                    .arg(m_lastLine);
            if (p.hz == last.hz) {
                // Repeated measurements of one frequency: their mean.
                ++m_repeats;
                last.ohms += (p.ohms - last.ohms) / m_repeats;
                last.degrees += (p.degrees - last.degrees) / m_repeats;
                m_lastLine = n;
                return std::nullopt;
            }
        }
        m_data.points.append(p);
        m_repeats = 1;
        m_lastLine = n;
        m_lastFrequency = frequency;
        return std::nullopt;
    }

    std::string_view m_bytes;
    ImpedanceData m_data;
    std::string m_buffer;
    std::string_view m_lastFrequency;
    int m_lastLine = 0;
    int m_firstLine = 0;
    int m_repeats = 1;
};

}  // namespace

const QStringList &impedanceFileSuffixes()
{
    static const QStringList suffixes{QStringLiteral("zma"), QStringLiteral("frd"),
                                      QStringLiteral("txt"), QStringLiteral("dat")};
    return suffixes;
}

QString impedanceFileFilter()
{
    QStringList patterns;
    for (const QString &s : impedanceFileSuffixes()) patterns << QStringLiteral("*.") + s;
    return QStringLiteral("Impedance files (%1)").arg(patterns.join(QLatin1Char(' ')));
}

ImpedanceRead readImpedanceData(const QByteArray &bytes)
{
    return Reader(bytes).read();
}

ImpedanceRead readImpedanceFile(const QString &path)
{
    std::variant<QByteArray, QString> read = readFileUpTo(path, kMaxImpedanceFileBytes, tooLarge());
    if (QString *refusal = std::get_if<QString>(&read))
        return *refusal;
    return readImpedanceData(std::get<QByteArray>(read));
}
