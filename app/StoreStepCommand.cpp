#include "StoreStepCommand.h"

StoreStepCommand::StoreStepCommand(std::shared_ptr<StoreStep> step, const QString& name,
                                   Apply apply)
    : QUndoCommand(name), m_step(std::move(step)), m_apply(std::move(apply)) {}

void StoreStepCommand::undo() {
    m_apply(*m_step, false);
}

void StoreStepCommand::redo() {
    if (m_made) {
        m_made = false;  // the change itself was the first time
        return;
    }
    m_apply(*m_step, true);
}
