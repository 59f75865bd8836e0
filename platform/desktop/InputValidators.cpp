#include "InputValidators.h"

#include <QLineEdit>
#include <limits>

Latin1Validator::Latin1Validator(Rule rule, QObject* parent) : QValidator(parent), m_rule(rule) {}

qsizetype Latin1Validator::carriageReturnsIn(const QString& value) {
    return value.count(QLatin1Char('\r'));
}

bool Latin1Validator::accepts(Rule rule, const QString& text, qsizetype allowedCarriageReturns) {
    qsizetype carriageReturns = 0;
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code > 0xFF)
            return false;
        if (rule != Rule::FieldValue)
            continue;
        if (code == u';' || code == u'\n')
            return false;
        if (code == u'\r' && ++carriageReturns > allowedCarriageReturns)
            return false;
    }
    return true;
}

QValidator::State Latin1Validator::validate(QString& input, int&) const {
    if (accepts(m_rule, input, m_allowedCarriageReturns))
        return Acceptable;
    emit refused();
    return Invalid;
}

void restrictField(QLineEdit* field, Latin1Validator::Rule rule) {
    field->setMaxLength(std::numeric_limits<int>::max());
    field->setValidator(new Latin1Validator(rule, field));
}

void setGivenText(QLineEdit* field, const QString& value) {
    // restrictField made the validator a child of its field.
    if (auto* validator = field->findChild<Latin1Validator*>(QString(), Qt::FindDirectChildrenOnly))
        validator->setGivenValue(value);
    field->setText(value);
}
