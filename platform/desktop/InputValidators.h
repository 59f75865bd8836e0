#pragma once

#include <QValidator>
#include <functional>

class QLineEdit;

// Keeps out of a field what the caller's rule refuses (the rule of the file's format and
// encoding lives with the file, not here).
//
// A value the program gives the field (one read from a file) may hold what the rule would not
// let be typed. Such a value stays as it is, and what is typed next to it is still judged: the
// rule is told the value the field was given.
class FieldValidator : public QValidator {
    Q_OBJECT
public:
    // Whether text can be held in place of given, the value the field was given (empty when
    // none); asked at every check, since what a field may hold changes with the database.
    using Rule = std::function<bool(const QString& text, const QString& given)>;
    FieldValidator(Rule rule, QObject* parent);

    State validate(QString& input, int& pos) const override;

    // The field was given value by the program, not by typing.
    void setGivenValue(const QString& value) { m_given = value; }

signals:
    // A typed or pasted text was refused.
    void refused() const;

private:
    Rule m_rule;
    QString m_given;
};

// Gives field the validator and lifts the 32,767 character limit of QLineEdit, so a long
// value read from a file is neither cut nor refused. Returns the validator.
FieldValidator* restrictField(QLineEdit* field, FieldValidator::Rule rule);

// Sets the text of a field restricted by restrictField as a value the program gives it (one
// read from a file or the store), which its validator then lets stand.
void setGivenText(QLineEdit* field, const QString& value);
