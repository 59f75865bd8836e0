#pragma once

#include "StoreStep.h"

#include <QObject>
#include <memory>
#include <vector>

// The changes of the open database that the user can take back and make again, oldest first,
// each a step the store made (StoreStep.h), and the place in them where the entries are as the
// file holds them. Taking a step back or making it again is work on the store; the history
// says which step is next and moves on once the store has taken it.
//
// It keeps at most its memory budget of steps (256 MiB unless set otherwise): beyond it the
// oldest go, the newest stays whatever it holds, so that a long session on a large database
// keeps working.
class History : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMemoryBudget = qint64(256) << 20;
    void setMemoryBudget(qint64 bytes) { m_budget = bytes; }

    // A change just made: the steps taken back before it can no longer be made again.
    void push(std::shared_ptr<StoreStep> step);
    // No steps. The entries are as the file holds them, or (saved false) hold changes that no
    // step of the history leads back from.
    void clear(bool saved = true);
    // The entries are as the file holds them now.
    void markSaved();

    bool canUndo() const { return m_next > 0; }
    bool canRedo() const { return m_next < m_steps.size(); }
    // The step Undo takes back and the one Redo makes again; null when there is none.
    StoreStep* undoStep() const { return canUndo() ? m_steps[m_next - 1].get() : nullptr; }
    StoreStep* redoStep() const { return canRedo() ? m_steps[m_next].get() : nullptr; }
    // Whether the entries are as the file holds them: now, after undoStep() is taken back,
    // after redoStep() is made again.
    bool isSaved() const { return m_saved == static_cast<qint64>(m_next); }
    bool savedAfterUndo() const { return canUndo() && m_saved == static_cast<qint64>(m_next) - 1; }
    bool savedAfterRedo() const { return canRedo() && m_saved == static_cast<qint64>(m_next) + 1; }
    // The store has taken undoStep() back, or made redoStep() again.
    void movedBack();
    void movedForward();
    // The steps held, those taken back included, and the memory they hold.
    int count() const { return static_cast<int>(m_steps.size()); }
    qint64 memoryUse() const;

signals:
    // What Undo and Redo can do, or whether the entries are saved, has changed.
    void changed();

private:
    std::vector<std::shared_ptr<StoreStep>> m_steps;
    size_t m_next = 0;   // the steps before it are made, those from it taken back
    qint64 m_saved = 0;  // the place of the file's state; -1 when no step leads there
    qint64 m_budget = kMemoryBudget;
};
