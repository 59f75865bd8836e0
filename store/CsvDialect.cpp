#include "CsvDialect.h"

#include <algorithm>
#include <cstring>

namespace csvfile {

using textencoding::Encoding;

bool Dialect::isOwnFormat() const {
    return separator == ';' && quoting == Quoting::None && firstLineNames &&
           lineEnd != LineEnd::Cr && !textencoding::isUtf16(encoding);
}

QByteArray Dialect::lineEndBytes() const {
    switch (lineEnd) {
        case LineEnd::Lf:
            return QByteArrayLiteral("\n");
        case LineEnd::Cr:
            return QByteArrayLiteral("\r");
        case LineEnd::CrLf:
            break;
    }
    return QByteArrayLiteral("\r\n");
}

bool Dialect::operator==(const Dialect& other) const {
    return separator == other.separator && quoting == other.quoting && lineEnd == other.lineEnd &&
           lastLineEnded == other.lastLineEnded && encoding == other.encoding &&
           firstLineNames == other.firstLineNames;
}

Dialect Dialect::commaSeparated(Encoding encoding) {
    Dialect dialect;
    dialect.separator = ',';
    dialect.quoting = Quoting::WhereNeeded;
    dialect.encoding = encoding;
    return dialect;
}

Dialect Dialect::tabSeparated(Encoding encoding) {
    Dialect dialect = commaSeparated(encoding);
    dialect.separator = '\t';
    return dialect;
}

Dialect Dialect::ownFormat(Encoding encoding) {
    Dialect dialect;
    dialect.encoding = encoding;
    return dialect;
}

namespace {

const char* const kQuotingNames[] = {"none", "needed", "every"};
const char* const kLineEndNames[] = {"crlf", "lf", "cr"};

// The value of word key= in words, or an empty text.
QString wordValue(const QStringList& words, const QString& key) {
    const QString prefix = key + QLatin1Char('=');
    for (const QString& word : words) {
        if (word.startsWith(prefix))
            return word.mid(prefix.size());
    }
    return {};
}

}  // namespace

QString nameOf(const Dialect& dialect) {
    return QStringLiteral(
               "encoding=%1 separator=%2 quoting=%3 line-end=%4 last-line-ended=%5 "
               "names=%6")
        .arg(textencoding::nameOf(dialect.encoding).replace(QLatin1Char(' '), QLatin1Char('-')))
        .arg(int(static_cast<unsigned char>(dialect.separator)))
        .arg(QLatin1String(kQuotingNames[int(dialect.quoting)]))
        .arg(QLatin1String(kLineEndNames[int(dialect.lineEnd)]))
        .arg(dialect.lastLineEnded ? 1 : 0)
        .arg(dialect.firstLineNames ? 1 : 0);
}

Dialect dialectFromName(const QString& name) {
    Dialect dialect;
    if (!name.contains(QLatin1Char('='))) {
        dialect.encoding = textencoding::fromName(name);
        return dialect;
    }
    const QStringList words = name.split(QLatin1Char(' '));
    dialect.encoding = textencoding::fromName(
        wordValue(words, QStringLiteral("encoding")).replace(QLatin1Char('-'), QLatin1Char(' ')));
    // Only the separators a file can be found to have.
    const int separator = wordValue(words, QStringLiteral("separator")).toInt();
    if (separator == ',' || separator == '\t' || separator == '|')
        dialect.separator = static_cast<char>(separator);
    const QString quoting = wordValue(words, QStringLiteral("quoting"));
    for (int i = 0; i < 3; ++i) {
        if (quoting == QLatin1String(kQuotingNames[i]))
            dialect.quoting = static_cast<Dialect::Quoting>(i);
    }
    const QString lineEnd = wordValue(words, QStringLiteral("line-end"));
    for (int i = 0; i < 3; ++i) {
        if (lineEnd == QLatin1String(kLineEndNames[i]))
            dialect.lineEnd = static_cast<Dialect::LineEnd>(i);
    }
    dialect.lastLineEnded =
        wordValue(words, QStringLiteral("last-line-ended")) != QLatin1String("0");
    dialect.firstLineNames = wordValue(words, QStringLiteral("names")) != QLatin1String("0");
    return dialect;
}

RecordReader::RecordReader(const char* begin, const char* end, const Dialect& dialect,
                           int firstLine)
    : m_begin(begin), m_pos(begin), m_end(end), m_dialect(dialect), m_line(firstLine) {}

bool RecordReader::atLineEnd(const char* p) const {
    if (m_dialect.lineEnd == Dialect::LineEnd::Cr)
        return *p == '\r';
    return *p == '\n' || (*p == '\r' && p + 1 < m_end && p[1] == '\n');
}

const char* RecordReader::skipLineEnd(const char* p) {
    ++m_line;
    if (m_dialect.lineEnd != Dialect::LineEnd::Cr && *p == '\r')
        return p + 2;
    return p + 1;
}

void RecordReader::countLines(const char* from, const char* to) {
    const char lineEnd = m_dialect.lineEnd == Dialect::LineEnd::Cr ? '\r' : '\n';
    m_line += static_cast<int>(std::count(from, to, lineEnd));
}

void RecordReader::noteIrregular(Irregularity irregularity, int line) {
    if (m_irregularity != Irregularity::None)
        return;
    m_irregularity = irregularity;
    m_irregularLine = line;
}

const char* RecordReader::fieldEnd(const char* p, bool* quoteSeen) const {
    const char separator = m_dialect.separator;
    const bool crEnds = m_dialect.lineEnd == Dialect::LineEnd::Cr;
    for (; p < m_end; ++p) {
        const char c = *p;
        if (c == separator || (c == '\n' && !crEnds))
            break;
        if (c == '\r' && (crEnds || (p + 1 < m_end && p[1] == '\n')))
            break;
        if (c == '"')
            *quoteSeen = true;
    }
    return p;
}

void RecordReader::readUnquoted() {
    bool quoteSeen = false;
    const char* end = fieldEnd(m_pos, &quoteSeen);
    if (quoteSeen)
        noteIrregular(Irregularity::QuoteInsideField, m_line);
    m_fields.push_back({m_pos - m_begin, static_cast<int>(end - m_pos), false, false});
    m_pos = end;
}

void RecordReader::readQuoted() {
    const int startLine = m_line;
    const char* p = m_pos + 1;
    const char* segment = p;  // the text not yet copied to the buffer
    const char* contentEnd = nullptr;
    const qsizetype bufferStart = m_buffer.size();
    bool copied = false;  // the field is in the buffer: it lost quotes or gained text
    for (;;) {
        const char* quote = static_cast<const char*>(std::memchr(p, '"', m_end - p));
        if (!quote) {
            countLines(p, m_end);
            noteIrregular(Irregularity::QuoteNotClosed, startLine);
            contentEnd = p = m_end;
            break;
        }
        countLines(p, quote);
        if (quote + 1 < m_end && quote[1] == '"') {
            m_buffer.append(segment, quote + 1 - segment);
            copied = true;
            p = segment = quote + 2;
            continue;
        }
        contentEnd = quote;
        p = quote + 1;
        if (p < m_end && *p != m_dialect.separator && !atLineEnd(p)) {
            noteIrregular(Irregularity::TextAfterQuote, m_line);
            bool ignored = false;
            const char* end = fieldEnd(p, &ignored);
            m_buffer.append(segment, contentEnd - segment);
            m_buffer.append(p, end - p);
            copied = true;
            segment = contentEnd = p = end;
        }
        break;
    }
    if (copied) {
        m_buffer.append(segment, contentEnd - segment);
        m_fields.push_back(
            {bufferStart, static_cast<int>(m_buffer.size() - bufferStart), true, true});
    } else {
        m_fields.push_back(
            {segment - m_begin, static_cast<int>(contentEnd - segment), false, true});
    }
    m_pos = p;
}

void RecordReader::readOwnFormatLine() {
    const char* newline = static_cast<const char*>(std::memchr(m_pos, '\n', m_end - m_pos));
    const char* lineEnd = newline ? newline : m_end;
    if (newline && lineEnd > m_pos && lineEnd[-1] == '\r')
        --lineEnd;
    const char* field = m_pos;
    m_pos = newline ? newline + 1 : m_end;
    ++m_line;
    if (lineEnd == field)
        return;
    for (;;) {
        const char* separator =
            static_cast<const char*>(std::memchr(field, m_dialect.separator, lineEnd - field));
        const char* end = separator ? separator : lineEnd;
        m_fields.push_back({field - m_begin, static_cast<int>(end - field), false, false});
        if (!separator)
            break;
        field = separator + 1;
    }
}

bool RecordReader::next() {
    m_fields.clear();
    m_buffer.clear();
    m_irregularity = Irregularity::None;
    m_irregularLine = 0;
    if (m_pos >= m_end)
        return false;
    m_recordLine = m_line;
    m_recordBegin = m_pos;
    if (!m_dialect.quoted()) {
        readOwnFormatLine();
        m_ended = m_pos < m_end && m_pos[-1] == '\n';
        return true;
    }
    if (atLineEnd(m_pos)) {  // an empty line
        m_pos = skipLineEnd(m_pos);
        m_ended = m_pos < m_end;
        return true;
    }
    for (;;) {
        if (m_pos < m_end && *m_pos == '"')
            readQuoted();
        else
            readUnquoted();
        if (m_pos < m_end && *m_pos == m_dialect.separator) {
            ++m_pos;
            continue;
        }
        if (m_pos < m_end)
            m_pos = skipLineEnd(m_pos);
        m_ended = m_pos < m_end;
        return true;
    }
}

namespace {

// How much of a file's beginning tells its dialect: enough lines to see the separator and the
// quoting, read at once even in a file of gigabytes.
constexpr qsizetype kSampleBytes = 64 * 1024;

constexpr char kSeparators[] = {';', ',', '\t', '|'};

// How well a separator splits the sample's records: into how many fields the first one, and
// which share of the others (empty lines aside) have as many.
struct Fit {
    int fields = 0;
    double share = 0;
    bool better(const Fit& other) const {
        return share != other.share ? share > other.share : fields > other.fields;
    }
};

Fit fitOf(const char* begin, const char* end, bool cut, const Dialect& dialect) {
    RecordReader reader(begin, end, dialect);
    Fit fit;
    int records = 0;
    int matching = 0;
    bool first = true;
    while (reader.next()) {
        // The record the sample cut may be incomplete.
        if (cut && reader.offset() >= end - begin)
            break;
        if (first) {
            fit.fields = reader.fieldCount();
            first = false;
            continue;
        }
        if (reader.fieldCount() == 0)
            continue;
        ++records;
        if (reader.fieldCount() == fit.fields)
            ++matching;
    }
    fit.share = records == 0 ? 1.0 : double(matching) / records;
    return fit;
}

// The line end of [begin, end): the first LF or CR LF, outside quotes when withQuotes (and
// they close); CR alone only where no LF ends a line. CR LF when no line ends.
Dialect::LineEnd lineEndOf(const char* begin, const char* end, bool withQuotes) {
    bool inQuotes = false;
    bool loneCr = false;
    for (const char* p = begin; p < end; ++p) {
        if (*p == '"' && withQuotes) {
            inQuotes = !inQuotes;
        } else if (inQuotes) {
            continue;
        } else if (*p == '\n') {
            return p > begin && p[-1] == '\r' ? Dialect::LineEnd::CrLf : Dialect::LineEnd::Lf;
        } else if (*p == '\r') {
            loneCr = true;
        }
    }
    if (inQuotes)
        return lineEndOf(begin, end, false);
    return loneCr ? Dialect::LineEnd::Cr : Dialect::LineEnd::CrLf;
}

// Whether every record of [begin, end) reads as dialect without anything read leniently.
bool readsConsistently(const char* begin, const char* end, bool cut, const Dialect& dialect) {
    RecordReader reader(begin, end, dialect);
    while (reader.next()) {
        if (cut && reader.offset() >= end - begin)
            break;
        if (reader.irregularity() != Irregularity::None)
            return false;
    }
    return true;
}

// Whether a field of the sample read as the own format begins with a quote, and the number of
// fields its first line has.
bool ownFormatHasQuotes(const char* begin, const char* end, int* headerFields) {
    RecordReader reader(begin, end, Dialect());
    bool first = true;
    while (reader.next()) {
        if (first)
            *headerFields = reader.fieldCount();
        first = false;
        for (int i = 0; i < reader.fieldCount(); ++i) {
            if (reader.fieldSize(i) > 0 && reader.fieldData(i)[0] == '"')
                return true;
        }
    }
    return false;
}

// How the sample's fields are quoted: of all fields and of those that hold something, how many
// are in quotes, and how many of those need them (hold the separator, a quote or a line break).
struct QuotedFields {
    qint64 fields = 0;
    qint64 filled = 0;
    qint64 quoted = 0;
    qint64 needed = 0;
    Dialect::Quoting quoting() const {
        return fields > 0 && quoted == fields ? Dialect::Quoting::Every
                                              : Dialect::Quoting::WhereNeeded;
    }
    // Quotes that a quoting program wrote, rather than values of the own format that happen to
    // stand in quotes: some quoted field needs them, or most fields are quoted.
    bool written() const { return needed > 0 || quoted * 2 > filled; }
};

QuotedFields quotedFieldsOf(const char* begin, const char* end, bool cut, const Dialect& dialect) {
    RecordReader reader(begin, end, dialect);
    QuotedFields count;
    while (reader.next()) {
        if (cut && reader.offset() >= end - begin)
            break;
        count.fields += reader.fieldCount();
        for (int i = 0; i < reader.fieldCount(); ++i) {
            const bool quoted = reader.fieldQuoted(i);
            count.filled += quoted || reader.fieldSize(i) > 0 ? 1 : 0;
            if (!quoted)
                continue;
            ++count.quoted;
            const char* data = reader.fieldData(i);
            const char* fieldEnd = data + reader.fieldSize(i);
            count.needed += std::any_of(data, fieldEnd, [&dialect](char c) {
                return c == dialect.separator || c == '"' || c == '\r' || c == '\n';
            });
        }
    }
    return count;
}

}  // namespace

void findLineEnds(Dialect& dialect, const char* begin, const char* end) {
    dialect.lineEnd =
        lineEndOf(begin, begin + std::min<qsizetype>(kSampleBytes, end - begin), dialect.quoted());
    findLastLineEnd(dialect, begin, end);
}

void findLastLineEnd(Dialect& dialect, const char* begin, const char* end) {
    dialect.lastLineEnded = end == begin || end[-1] == '\n' ||
                            (dialect.lineEnd == Dialect::LineEnd::Cr && end[-1] == '\r');
}

Detection detectDialect(const QByteArray& bytes, bool beginningOnly) {
    Detection detection;
    Dialect& dialect = detection.dialect;
    qsizetype size = bytes.size();
    if (beginningOnly) {
        // A character cut at the end would make UTF-8 look like other text.
        dialect.encoding =
            textencoding::detectFile(bytes.constData(), std::min<qsizetype>(size, 2));
        if (textencoding::isUtf16(dialect.encoding))
            size &= ~qsizetype(1);
        else if (const qsizetype newline = bytes.lastIndexOf('\n'); newline >= 0)
            size = newline + 1;
    }
    dialect.encoding = textencoding::detectFile(bytes.constData(), size);
    QByteArray converted;
    const auto [begin, end] = textOf(bytes.constData(), size, dialect.encoding, converted);
    const bool cut = beginningOnly || end - begin > kSampleBytes;
    const char* sampleEnd = begin + std::min<qsizetype>(kSampleBytes, end - begin);

    // The quoting is not known yet: a line break in quotes must not decide.
    dialect.quoting = Dialect::Quoting::WhereNeeded;
    findLineEnds(dialect, begin, end);
    dialect.quoting = Dialect::Quoting::None;

    int ownHeaderFields = 0;
    const bool quotes = ownFormatHasQuotes(begin, sampleEnd, &ownHeaderFields);
    const bool ownLineEnds = dialect.lineEnd != Dialect::LineEnd::Cr;
    if (ownLineEnds && !quotes && ownHeaderFields >= 2 && !textencoding::isUtf16(dialect.encoding))
        return detection;

    Fit best;
    Fit second;
    char separator = 0;
    for (const char candidate : kSeparators) {
        Dialect trial = dialect;
        trial.separator = candidate;
        trial.quoting = Dialect::Quoting::WhereNeeded;
        const Fit fit = fitOf(begin, sampleEnd, cut, trial);
        if (fit.fields < 2)
            continue;
        if (separator == 0 || fit.better(best)) {
            second = best;
            best = fit;
            separator = candidate;
        } else if (!second.fields || fit.better(second)) {
            second = fit;
        }
    }
    if (separator == 0) {
        // One column: the own format, as it always read, unless its fields are quoted.
        if (ownLineEnds && !quotes && !textencoding::isUtf16(dialect.encoding))
            return detection;
        separator = ';';
    } else {
        detection.sure = best.share == 1.0 && (second.fields == 0 || second.share < 1.0);
    }
    dialect.separator = separator;
    dialect.quoting = Dialect::Quoting::WhereNeeded;
    const QuotedFields quoted = quotedFieldsOf(begin, sampleEnd, cut, dialect);
    dialect.quoting = quoted.quoting();
    // A ";" file is quoted only when a quoting program wrote it and all of it reads so;
    // otherwise it reads as it always did.
    if (separator == ';' && ownLineEnds && !textencoding::isUtf16(dialect.encoding) &&
        (!quoted.written() || !readsConsistently(begin, end, beginningOnly, dialect))) {
        dialect.quoting = Dialect::Quoting::None;
        detection.sure = true;
    } else if (separator == ';' && ownLineEnds && !textencoding::isUtf16(dialect.encoding)) {
        detection.quotedIfConsistent = beginningOnly;
    }
    return detection;
}

Text textOf(const char* data, qsizetype size, Encoding encoding, QByteArray& converted) {
    // The mark is the file's, not the first column name's.
    const qsizetype mark = std::min<qsizetype>(textencoding::markLength(encoding), size);
    Text text{data + mark, data + size};
    if (textencoding::isUtf16(encoding)) {
        converted = textencoding::utf16ToUtf8(encoding, text.begin, text.end - text.begin);
        text = {converted.constData(), converted.constData() + converted.size()};
    }
    return text;
}

QString decodeField(const char* data, qsizetype size, Encoding encoding) {
    // UTF-8 chosen for a file that is not reads as far as it can.
    return encoding == Encoding::SingleByte
               ? textencoding::decodeSingleByte(QByteArray::fromRawData(data, size))
               : textencoding::fromUtf8(data, size);
}

QList<QStringList> previewRows(const QByteArray& bytes, const Dialect& dialect, int maxRows) {
    QByteArray converted;
    const Text text = textOf(bytes.constData(), bytes.size(), dialect.encoding, converted);
    QList<QStringList> rows;
    RecordReader reader(text.begin, text.end, dialect);
    while (rows.size() < maxRows && reader.next()) {
        QStringList row;
        for (int i = 0; i < reader.fieldCount(); ++i)
            row.append(decodeField(reader.fieldData(i), reader.fieldSize(i), dialect.encoding));
        rows.append(row);
    }
    return rows;
}

bool breaksUnquotedField(const Dialect& dialect, const char* text, qsizetype size) {
    return size > 0 &&
           (std::memchr(text, dialect.separator, size) || std::memchr(text, '\n', size));
}

bool canHoldValue(const Dialect& dialect, const QString& value, const QString& replaced) {
    if (!textencoding::canHold(dialect.encoding, value))
        return false;
    if (dialect.quoted())
        return true;
    const QByteArray text = value.toUtf8();
    const QLatin1Char carriageReturn('\r');
    return !breaksUnquotedField(dialect, text.constData(), text.size()) &&
           value.count(carriageReturn) <= replaced.count(carriageReturn);
}

bool canHoldName(const Dialect& dialect, const QString& name, const QString& replaced) {
    return canHoldValue(Dialect::ownFormat(dialect.encoding), name, replaced);
}

}  // namespace csvfile
