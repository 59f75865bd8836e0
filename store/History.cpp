#include "History.h"

void History::push(std::shared_ptr<StoreStep> step) {
    m_steps.resize(m_next);
    m_steps.push_back(std::move(step));
    m_next = m_steps.size();
    emit changed();
}

void History::clear() {
    if (m_steps.empty())
        return;
    m_steps.clear();
    m_next = 0;
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
