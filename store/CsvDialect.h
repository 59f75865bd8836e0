#pragma once

#include "TextEncoding.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

// How a CSV file is written: its separator, its quoting, its line ends and its encoding, and
// whether its first line names the columns. Found by reading the file and kept, so that a
// database is saved the way it came.
//
// The program's own format: ";" and no quoting at all, every character between two
// separators belongs to the value; a line ends at LF, a CR right before it dropped, any other
// CR an ordinary character. Its values can therefore hold no ";" and no line break. Another
// separator without quoting reads the same way.
//
// Quoted (RFC 4180, read leniently as the common readers do): a field that begins with a
// double quote runs to the next lone double quote, "" standing for one, and may hold the
// separator and line breaks; what follows its closing quote up to the separator is kept as
// text. A quote inside a field that does not begin with one is an ordinary character. A quote
// that is never closed takes the rest of the file.
namespace csvfile {

struct Dialect {
    enum class Quoting {
        None,         // the program's own format
        WhereNeeded,  // a field is quoted when it holds the separator, a quote or a line break
        Every,        // every field is quoted
    };
    enum class LineEnd { CrLf, Lf, Cr };

    char separator = ';';
    Quoting quoting = Quoting::None;
    LineEnd lineEnd = LineEnd::CrLf;
    bool lastLineEnded = true;  // the last line ends with a line end too
    textencoding::Encoding encoding = textencoding::Encoding::SingleByte;
    bool firstLineNames = true;  // false: every line is an entry, the columns are numbered

    bool quoted() const { return quoting != Quoting::None; }
    // Opened without asking: ";", no quoting, the names in line 1, single-byte or UTF-8.
    bool isOwnFormat() const;
    // The line end's bytes.
    QByteArray lineEndBytes() const;
    bool operator==(const Dialect& other) const;
    bool operator!=(const Dialect& other) const { return !(*this == other); }

    // A CSV file as spreadsheets read it: ",", quoted where needed, CR LF, names in line 1.
    static Dialect commaSeparated(textencoding::Encoding encoding);
    // Tab-separated, quoted where needed.
    static Dialect tabSeparated(textencoding::Encoding encoding);
    // The program's own format in encoding.
    static Dialect ownFormat(textencoding::Encoding encoding);
};

// The dialect as one word list ("separator=44 quoting=needed line-end=lf ...") to keep it in
// the working store, and back. A text without the words, as earlier versions kept only the
// encoding, gives the own format in the encoding that text names.
QString nameOf(const Dialect& dialect);
Dialect dialectFromName(const QString& name);

// What reading a file's beginning told of its dialect. sure is false when another reading
// would have fitted the lines about as well, or no separator fits every line.
struct Detection {
    Dialect dialect;
    bool sure = true;
    // Told by the beginning only: a ";" file found quoted is quoted only if the rest reads
    // consistently too (no record read leniently); otherwise it is the own format.
    bool quotedIfConsistent = false;
};

// Finds the dialect of a whole file's bytes. The encoding comes from every byte (as the load
// reads them anyway), the separator, quoting and line ends from the file's beginning. A file
// that reads as the own format, no field of it beginning with a quote, always is the own
// format; a ";" file whose fields begin with quotes is quoted only when a quoting program
// wrote it (a quoted field needs its quotes, or most fields are quoted) and the whole file
// reads consistently as quoted, the own format otherwise. With beginningOnly, bytes are only the
// file's beginning (ReadBeginning), and what the rest would tell is not known.
Detection detectDialect(const QByteArray& bytes, bool beginningOnly = false);

// Sets the line end and whether the last line ends in dialect from the text [begin, end), in
// the encoding the store takes: the first line end decides, outside quotes when the dialect
// quotes.
void findLineEnds(Dialect& dialect, const char* begin, const char* end);
// Sets whether the last line ends from the whole text's end (empty text: it does).
void findLastLineEnd(Dialect& dialect, const char* begin, const char* end);

// Why a record was read leniently; the lines (from 1) where it happened are reported.
enum class Irregularity {
    None,
    QuoteInsideField,  // a quote in a field that does not begin with one: kept as text
    TextAfterQuote,    // text after a closing quote, up to the separator: kept
    QuoteNotClosed,    // the field took the rest of the file
};

// Reads the records of [begin, end), text already in the encoding the store takes (UTF-8 or
// single-byte). A field points into the text, or into the reader's own buffer where quotes
// were taken out; both stay valid until the next call of next(). The text may be a part of a
// file whose first line is firstLine: a record that was not ended() reached the part's end.
class RecordReader {
public:
    RecordReader(const char* begin, const char* end, const Dialect& dialect, int firstLine = 1);

    // The next record; false at the end. An empty line is a record of no fields.
    bool next();
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const char* fieldData(int i) const {
        const Field& field = m_fields[static_cast<size_t>(i)];
        return (field.inBuffer ? m_buffer.constData() : m_begin) + field.offset;
    }
    int fieldSize(int i) const { return m_fields[static_cast<size_t>(i)].size; }
    // Whether the field began with a quote.
    bool fieldQuoted(int i) const { return m_fields[static_cast<size_t>(i)].quoted; }
    QByteArray field(int i) const { return QByteArray(fieldData(i), fieldSize(i)); }
    // The line (from 1) where the record began, and where it was read leniently, if it was.
    int line() const { return m_recordLine; }
    Irregularity irregularity() const { return m_irregularity; }
    int irregularLine() const { return m_irregularLine; }
    // How far the reading has come, from begin, and where the record read began.
    qint64 offset() const { return m_pos - m_begin; }
    qint64 recordOffset() const { return m_recordBegin - m_begin; }
    // The line (from 1) the next record begins at.
    int nextLine() const { return m_line; }
    // Whether the record ended at a line end, with text after it: a record that is not ended
    // may go on in what follows the text.
    bool ended() const { return m_ended; }

private:
    struct Field {
        qsizetype offset;
        int size;
        bool inBuffer;
        bool quoted;
    };
    bool atLineEnd(const char* p) const;
    const char* skipLineEnd(const char* p);
    void readQuoted();
    void readUnquoted();
    void readOwnFormatLine();
    // The end of the field text from p on: the separator, the line end or the end.
    const char* fieldEnd(const char* p, bool* quoteSeen) const;
    void countLines(const char* from, const char* to);
    void noteIrregular(Irregularity irregularity, int line);

    const char* m_begin;
    const char* m_recordBegin = nullptr;
    bool m_ended = false;
    const char* m_pos;
    const char* m_end;
    Dialect m_dialect;
    std::vector<Field> m_fields;
    QByteArray m_buffer;
    int m_line;
    int m_recordLine = 0;
    Irregularity m_irregularity = Irregularity::None;
    int m_irregularLine = 0;
};

// The text of a file's first size bytes as the reader takes it: after the mark, and UTF-16
// converted to UTF-8 in converted, which must outlive the text.
struct Text {
    const char* begin;
    const char* end;
};
Text textOf(const char* data, qsizetype size, textencoding::Encoding encoding,
            QByteArray& converted);

// A field of that text decoded: single-byte as the file's bytes, UTF-8 otherwise.
QString decodeField(const char* data, qsizetype size, textencoding::Encoding encoding);

// The first rows of a file's bytes as dialect splits them, decoded, for a preview: at most
// maxRows records.
QList<QStringList> previewRows(const QByteArray& bytes, const Dialect& dialect, int maxRows);

// Whether text (UTF-8 or single-byte) would break an unquoted field of dialect: the separator
// would end the field, an LF its line. A CR is an ordinary character there.
bool breaksUnquotedField(const Dialect& dialect, const char* text, qsizetype size);

// Whether value can stand in a file of dialect in place of replaced (empty for a new value):
// the encoding has every character and, without quoting, it breaks no field and holds no more
// CRs than replaced (a value read from such a file may hold lone CRs, which the format keeps;
// no new one is taken).
bool canHoldValue(const Dialect& dialect, const QString& value, const QString& replaced = {});
// Whether a column name can stand in a file of dialect in place of replaced: in every dialect
// as a value of the own format, since the program keeps its column names joined by ";".
bool canHoldName(const Dialect& dialect, const QString& name, const QString& replaced = {});

}  // namespace csvfile
