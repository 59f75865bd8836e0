#include "InputValidators.h"

#include <QLineEdit>
#include <limits>

FieldValidator::FieldValidator(Rule rule, EncodingSource encoding, QObject* parent)
    : QValidator(parent), m_rule(rule), m_encoding(std::move(encoding)) {}

qsizetype FieldValidator::carriageReturnsIn(const QString& value) {
    return value.count(QLatin1Char('\r'));
}

bool FieldValidator::accepts(Rule rule, textencoding::Encoding encoding, const QString& text,
                             qsizetype allowedCarriageReturns) {
    if (!textencoding::canHold(encoding, text))
        return false;
    if (rule != Rule::FieldValue)
        return true;
    qsizetype carriageReturns = 0;
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u';' || code == u'\n')
            return false;
        if (code == u'\r' && ++carriageReturns > allowedCarriageReturns)
            return false;
    }
    return true;
}

QValidator::State FieldValidator::validate(QString& input, int&) const {
    if (accepts(m_rule, m_encoding(), input, m_allowedCarriageReturns))
        return Acceptable;
    emit refused();
    return Invalid;
}

FieldValidator* restrictField(QLineEdit* field, FieldValidator::Rule rule,
                              FieldValidator::EncodingSource encoding) {
    field->setMaxLength(std::numeric_limits<int>::max());
    auto* validator = new FieldValidator(rule, std::move(encoding), field);
    field->setValidator(validator);
    return validator;
}

void setGivenText(QLineEdit* field, const QString& value) {
    // restrictField made the validator a child of its field.
    if (auto* validator = field->findChild<FieldValidator*>(QString(), Qt::FindDirectChildrenOnly))
        validator->setGivenValue(value);
    field->setText(value);
}
