#include "OpenDatabase.h"

void OpenDatabase::open(const QString& path, const QString& columnNames,
                        const csvfile::Dialect& dialect, bool modified) {
    m_open = true;
    m_path = path;
    m_columnNames = columnNames;
    m_dialect = dialect;
    m_history.clear(!modified);  // the steps of another database, or of another session
}

void OpenDatabase::close(const QString& columnNames) {
    open(QString(), columnNames, csvfile::Dialect(), false);
    m_open = false;
}

void OpenDatabase::saved(const csvfile::Dialect& dialect) {
    m_dialect = dialect;
    m_history.markSaved();
}

void OpenDatabase::record(std::shared_ptr<StoreStep> step) {
    if (step->changesColumns())
        m_columnNames = step->columnsAfter();
    m_history.push(std::move(step));
}

namespace {

// Whether the store took a step back or made it again; when not, its reason goes to *error.
bool taken(const StoreResult& result, QString* error) {
    if (!result.done() && error)
        *error = result.error;
    return result.done();
}

}  // namespace

const StoreStep* OpenDatabase::undo(QString* error) {
    StoreStep* step = m_history.undoStep();
    if (!step || !taken(step->undo(m_storePath, !m_history.savedAfterUndo()), error))
        return nullptr;
    if (step->changesColumns())
        m_columnNames = step->columnsBefore();
    m_history.movedBack();
    return step;
}

const StoreStep* OpenDatabase::redo(QString* error) {
    StoreStep* step = m_history.redoStep();
    if (!step || !taken(step->redo(m_storePath, !m_history.savedAfterRedo()), error))
        return nullptr;
    if (step->changesColumns())
        m_columnNames = step->columnsAfter();
    m_history.movedForward();
    return step;
}
