#pragma once

#include "StoreStep.h"

#include <QObject>
#include <memory>
#include <vector>

// The changes of the open database that the user can take back and make again, oldest first,
// each a step the store made (StoreStep.h). Taking a step back or making it again is work on
// the store; the history says which step is next and moves on once the store has taken it.
class History : public QObject {
    Q_OBJECT
public:
    // A change just made: the steps taken back before it can no longer be made again.
    void push(std::shared_ptr<StoreStep> step);
    void clear();

    bool canUndo() const { return m_next > 0; }
    bool canRedo() const { return m_next < m_steps.size(); }
    // The step Undo takes back and the one Redo makes again; null when there is none.
    StoreStep* undoStep() const { return canUndo() ? m_steps[m_next - 1].get() : nullptr; }
    StoreStep* redoStep() const { return canRedo() ? m_steps[m_next].get() : nullptr; }
    // The store has taken undoStep() back, or made redoStep() again.
    void movedBack();
    void movedForward();
    // The steps held, those taken back included.
    int count() const { return static_cast<int>(m_steps.size()); }

signals:
    // What Undo and Redo can do has changed.
    void changed();

private:
    std::vector<std::shared_ptr<StoreStep>> m_steps;
    size_t m_next = 0;  // the steps before it are made, those from it taken back
};
