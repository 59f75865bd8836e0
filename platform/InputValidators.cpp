#include "InputValidators.h"

#include <QLineEdit>
#include <limits>

Latin1Validator::Latin1Validator(Rule rule, QObject* parent) : QValidator(parent), m_rule(rule) {}

bool Latin1Validator::accepts(Rule rule, const QString& text) {
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code > 0xFF)
            return false;
        if (rule == Rule::FieldValue && (code == u';' || code == u'\r' || code == u'\n'))
            return false;
    }
    return true;
}

QValidator::State Latin1Validator::validate(QString& input, int&) const {
    if (accepts(m_rule, input))
        return Acceptable;
    emit refused();
    return Invalid;
}

void restrictField(QLineEdit* field, Latin1Validator::Rule rule) {
    field->setMaxLength(std::numeric_limits<int>::max());
    field->setValidator(new Latin1Validator(rule, field));
}
