#pragma once

#include <QValidator>

class QLineEdit;

// Keeps out of a field what the program's files cannot hold: characters above U+00FF always,
// and for entry values and column names also ";", CR and LF (the CSV format has no quoting).
//
// A value read from a file may hold a lone CR (the format keeps it as an ordinary character).
// Such a value stays as it is, and what is typed next to it is still judged: the field allows
// as many CRs as the value it was given held, and no more.
class Latin1Validator : public QValidator {
    Q_OBJECT
public:
    enum class Rule { SearchText, FieldValue };
    Latin1Validator(Rule rule, QObject* parent);

    State validate(QString& input, int& pos) const override;
    // True when text keeps the rule, allowing up to allowedCarriageReturns CRs in it.
    static bool accepts(Rule rule, const QString& text, qsizetype allowedCarriageReturns = 0);
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
    qsizetype m_allowedCarriageReturns = 0;
};

// Gives field the validator and lifts the 32,767 character limit of QLineEdit, so a long
// value read from a file is neither cut nor refused.
void restrictField(QLineEdit* field, Latin1Validator::Rule rule);

// Sets the text of a field restricted by restrictField as a value the program gives it (one
// read from a file or the store), which its validator then lets stand.
void setGivenText(QLineEdit* field, const QString& value);
