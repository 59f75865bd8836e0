#pragma once

#include "StoreStep.h"

#include <QUndoCommand>
#include <functional>
#include <memory>

// A change the user made to the store, in the undo history. It is pushed after the change was
// made, so its first redo does nothing; later ones make it again.
class StoreStepCommand : public QUndoCommand {
public:
    // apply takes the step back (forward false) or makes it again (true) and brings the
    // window up to date.
    using Apply = std::function<void(StoreStep& step, bool forward)>;
    StoreStepCommand(std::shared_ptr<StoreStep> step, const QString& name, Apply apply);

    void undo() override;
    void redo() override;

private:
    std::shared_ptr<StoreStep> m_step;
    Apply m_apply;
    bool m_made = true;
};
