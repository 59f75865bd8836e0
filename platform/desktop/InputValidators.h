#pragma once

#include "TextEncoding.h"

#include <QValidator>
#include <functional>

class QLineEdit;

// Keeps out of a field what the database file cannot hold: for entry values and column names
// ";", CR and LF (the CSV format has no quoting), and in a single-byte database every
// character that has no byte; a search field refuses only characters without a byte there.
//
// A value read from a file may hold a lone CR (the format keeps it as an ordinary character).
// Such a value stays as it is, and what is typed next to it is still judged: the field allows
// as many CRs as the value it was given held, and no more.
class FieldValidator : public QValidator {
    Q_OBJECT
public:
    enum class Rule { SearchText, FieldValue };
    // The database's encoding, asked at every check: it changes with the database.
    using EncodingSource = std::function<textencoding::Encoding()>;
    FieldValidator(Rule rule, EncodingSource encoding, QObject* parent);

    State validate(QString& input, int& pos) const override;
    // True when text keeps the rule in encoding, allowing up to allowedCarriageReturns CRs.
    static bool accepts(Rule rule, textencoding::Encoding encoding, const QString& text,
                        qsizetype allowedCarriageReturns = 0);
    // The number of CRs in value that the rule lets stand because the value came with them.
    static qsizetype carriageReturnsIn(const QString& value);

    // The field was given value by the program, not by typing.
    void setGivenValue(const QString& value) {
        m_allowedCarriageReturns = carriageReturnsIn(value);
    }

signals:
    // A typed or pasted text was refused.
    void refused() const;

private:
    Rule m_rule;
    EncodingSource m_encoding;
    qsizetype m_allowedCarriageReturns = 0;
};

// Gives field the validator and lifts the 32,767 character limit of QLineEdit, so a long
// value read from a file is neither cut nor refused. Returns the validator.
FieldValidator* restrictField(QLineEdit* field, FieldValidator::Rule rule,
                              FieldValidator::EncodingSource encoding);

// Sets the text of a field restricted by restrictField as a value the program gives it (one
// read from a file or the store), which its validator then lets stand.
void setGivenText(QLineEdit* field, const QString& value);
