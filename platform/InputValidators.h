#pragma once

#include <QValidator>

class QLineEdit;

// Keeps out of a field what the program's files cannot hold: characters above U+00FF always,
// and for entry values and column names also ";", CR and LF (the CSV format has no quoting).
class Latin1Validator : public QValidator {
    Q_OBJECT
public:
    enum class Rule { SearchText, FieldValue };
    Latin1Validator(Rule rule, QObject* parent);

    State validate(QString& input, int& pos) const override;
    static bool accepts(Rule rule, const QString& text);

signals:
    // A typed or pasted text was refused.
    void refused() const;

private:
    Rule m_rule;
};

// Gives field the validator and lifts the 32,767 character limit of QLineEdit, so a long
// value read from a file is neither cut nor refused.
void restrictField(QLineEdit* field, Latin1Validator::Rule rule);
