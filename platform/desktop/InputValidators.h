#pragma once

#include <QValidator>
#include <functional>

class QLineEdit;

// Keeps out of a field what the database file cannot hold, as the caller's rule says (the rule
// of the file's format and encoding lives with the file, not here).
//
// A value read from a file may hold a lone CR that the rule would not let be typed (the own
// format keeps it as an ordinary character). Such a value stays as it is, and what is typed
// next to it is still judged: the rule is told how many CRs the value it was given held.
class FieldValidator : public QValidator {
    Q_OBJECT
public:
    // Whether text can be held, allowing up to allowedCarriageReturns CRs; asked at every
    // check, since what a field may hold changes with the database.
    using Rule = std::function<bool(const QString& text, qsizetype allowedCarriageReturns)>;
    FieldValidator(Rule rule, QObject* parent);

    State validate(QString& input, int& pos) const override;
    // The number of CRs in value that a rule lets stand because the value came with them.
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
// value read from a file is neither cut nor refused. Returns the validator.
FieldValidator* restrictField(QLineEdit* field, FieldValidator::Rule rule);

// Sets the text of a field restricted by restrictField as a value the program gives it (one
// read from a file or the store), which its validator then lets stand.
void setGivenText(QLineEdit* field, const QString& value);
