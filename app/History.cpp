// Undo and redo: every change the user makes to the entries or columns goes into the open
// database's history as one step, which the Edit menu takes back and makes again.
#include "CMyOrvaneDatabaseDlg.h"

#include <QTabWidget>

QString CMyOrvaneDatabaseDlg::stepName(const StoreStep& step) const {
    switch (step.kind()) {
        case StoreStep::Kind::AddEntry:
            return text(texts::AddEntryStep).remove(QLatin1Char('&'));
        case StoreStep::Kind::EditEntry:
            return text(texts::EditEntryStep).remove(QLatin1Char('&'));
        case StoreStep::Kind::RemoveEntry:
            return text(texts::RemoveEntryStep).remove(QLatin1Char('&'));
        case StoreStep::Kind::AddColumn:
            return text(texts::AddColumnStep).remove(QLatin1Char('&'));
        case StoreStep::Kind::RenameColumn:
            return text(texts::RenameColumnStep).remove(QLatin1Char('&'));
        case StoreStep::Kind::RemoveColumn:
            return text(texts::RemoveColumnStep).remove(QLatin1Char('&'));
    }
    return QString();
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
    // Storing a typed entry may change what there is to take back.
    if (!historyWaits() && m_database.history().canUndo() && commitShownPage() &&
        m_database.history().canUndo())
        applyStep(false);
}

void CMyOrvaneDatabaseDlg::OnRedo() {
    if (!historyWaits() && m_database.history().canRedo() && commitShownPage() &&
        m_database.history().canRedo())
        applyStep(true);
}

void CMyOrvaneDatabaseDlg::applyStep(bool forward) {
    QString error;
    const StoreStep* step = forward ? m_database.redo(&error) : m_database.undo(&error);
    if (!step) {
        // The history no longer matches the store: it cannot be walked any further.
        message(text(texts::HistoryLost).arg(error), Prompter::Buttons::Ok,
                Prompter::Icon::Warning);
        m_database.history().clear();
        return;
    }
    // The lists, the fields and the title follow as they follow the change itself.
    if (step->changesColumns()) {
        m_settingsPage.FillColumnList();
        if (m_searchPage.m_active)
            m_searchPage.BuildSearchFilter();  // what was typed on the page stays
        fitSearchToColumns();
    }
    m_addEditPage.FollowStoredEntry(CSearchAddEdit::WhenGone::StartAdding);
    if (m_addEditPage.m_active)
        m_addEditPage.PreparePage();
    for (CViewTab* list : {&m_viewAllPage, &m_viewFilteredPage}) {
        if (list->m_active)
            list->Refill();
    }
}
