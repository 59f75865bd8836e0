#include "InputValidators.h"

#include <QLineEdit>
#include <limits>

FieldValidator::FieldValidator(Rule rule, QObject* parent)
    : QValidator(parent), m_rule(std::move(rule)) {}

QValidator::State FieldValidator::validate(QString& input, int&) const {
    if (m_rule(input, m_given))
        return Acceptable;
    emit refused();
    return Invalid;
}

FieldValidator* restrictField(QLineEdit* field, FieldValidator::Rule rule) {
    field->setMaxLength(std::numeric_limits<int>::max());
    auto* validator = new FieldValidator(std::move(rule), field);
    field->setValidator(validator);
    return validator;
}

void setGivenText(QLineEdit* field, const QString& value) {
    // restrictField made the validator a child of its field.
    if (auto* validator = field->findChild<FieldValidator*>(QString(), Qt::FindDirectChildrenOnly))
        validator->setGivenValue(value);
    field->setText(value);
}
