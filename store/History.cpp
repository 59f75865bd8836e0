#include "History.h"

void History::push(std::shared_ptr<StoreStep> step) {
    m_steps.resize(m_next);
    if (m_saved > static_cast<qint64>(m_next))
        m_saved = -1;  // it lay among the steps taken back
    m_steps.push_back(std::move(step));
    m_next = m_steps.size();
    // The oldest steps go once the steps hold more than the budget.
    qint64 held = memoryUse();
    while (m_steps.size() > 1 && held > m_budget) {
        held -= m_steps.front()->memoryUse();
        m_steps.erase(m_steps.begin());
        --m_next;
        m_saved = m_saved > 0 ? m_saved - 1 : -1;
    }
    emit changed();
}

void History::clear(bool saved) {
    m_steps.clear();
    m_next = 0;
    m_saved = saved ? 0 : -1;
    emit changed();
}

void History::markSaved() {
    m_saved = static_cast<qint64>(m_next);
    emit changed();
}

void History::movedBack() {
    if (!canUndo())
        return;
    --m_next;
    emit changed();
}

void History::movedForward() {
    if (!canRedo())
        return;
    ++m_next;
    emit changed();
}

qint64 History::memoryUse() const {
    qint64 held = 0;
    for (const std::shared_ptr<StoreStep>& step : m_steps)
        held += step->memoryUse();
    return held;
}
