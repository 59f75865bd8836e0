// Undo and redo: every change the user makes to the entries or columns goes into the history
// as one step, which the Edit menu takes back and makes again.
#include "CMyOrvaneDatabaseDlg.h"

#include "StoreStepCommand.h"

#include <QTabWidget>
#include <QTimer>

namespace {

int stepName(StoreStep::Kind kind) {
    switch (kind) {
        case StoreStep::Kind::AddEntry:
            return texts::AddEntryStep;
        case StoreStep::Kind::EditEntry:
            return texts::EditEntryStep;
        case StoreStep::Kind::RemoveEntry:
            return texts::RemoveEntryStep;
        case StoreStep::Kind::AddColumn:
            return texts::AddColumnStep;
        case StoreStep::Kind::RenameColumn:
            return texts::RenameColumnStep;
        case StoreStep::Kind::RemoveColumn:
            return texts::RemoveColumnStep;
    }
    return texts::EditEntryStep;
}

}  // namespace

void CMyOrvaneDatabaseDlg::onStepStored(std::shared_ptr<StoreStep> step) {
    const QString name = text(stepName(step->kind())).remove(QLatin1Char('&'));
    m_undoStack.push(new StoreStepCommand(
        std::move(step), name,
        [this](StoreStep& stored, bool forward) { applyStep(stored, forward); }));
}

bool CMyOrvaneDatabaseDlg::commitShownPage() {
    // An entry typed but not yet stored is stored now, as a step of its own.
    if (!m_addEditPage.m_active)
        return true;
    selectTab(AddEditTab);
    return SwitchPage();
}

bool CMyOrvaneDatabaseDlg::historyWaits() const {
    // While a new database's columns are being defined, the history belongs to the database
    // that abandoning the new one goes back to; its steps would work under the new columns.
    return m_settingsPage.m_newDatabase;
}

void CMyOrvaneDatabaseDlg::OnUndo() {
    if (m_undoStack.canUndo() && !historyWaits() && commitShownPage())
        m_undoStack.undo();
}

void CMyOrvaneDatabaseDlg::OnRedo() {
    if (m_undoStack.canRedo() && !historyWaits() && commitShownPage())
        m_undoStack.redo();
}

void CMyOrvaneDatabaseDlg::applyStep(StoreStep& step, bool forward) {
    QString error;
    if (!(forward ? step.redo(m_storePath, &error) : step.undo(m_storePath, &error))) {
        // The history no longer matches the store: it cannot be walked any further.
        message(text(texts::HistoryLost).arg(error), Prompter::Buttons::Ok,
                Prompter::Icon::Warning);
        QTimer::singleShot(0, &m_undoStack, &QUndoStack::clear);
        return;
    }
    // The lists, the flags and the title follow as they follow the change itself.
    if (step.changesColumns()) {
        const QString& names = forward ? step.columnsAfter() : step.columnsBefore();
        for (CPage* page : pages())
            page->m_columnNames = names;
        m_settingsPage.FillColumnList();
        m_settingsPage.m_columnsChanged = true;
        if (m_searchPage.m_active)
            m_searchPage.BuildSearchFilter();  // what was typed on the page stays
        fitSearchToColumns();
    } else {
        m_addEditPage.m_entriesChanged = true;
    }
    m_addEditPage.FollowStoredEntry();
    if (m_addEditPage.m_active)
        m_addEditPage.PreparePage();
    for (CViewTab* list : {&m_viewAllPage, &m_viewFilteredPage}) {
        if (list->m_active)
            list->Refill();
    }
    MarkTitleModified();
}
