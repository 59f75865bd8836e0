// Page switching: the one place where a page is left (its work committed) and another entered
// (filled afresh from the store), and the poll timer that carries out the list pages' Edit
// Entry and Add Entry requests.
#include "CMyOrvaneDatabaseDlg.h"

#include "ActionGuard.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <utility>

void CMyOrvaneDatabaseDlg::selectTab(int tab) {
    const QSignalBlocker blocker(m_tabs);
    m_tabs->setCurrentIndex(tab);
}

void CMyOrvaneDatabaseDlg::showPage(CPage& page) {
    page.m_active = true;
    page.show();
    page.raise();
}

void CMyOrvaneDatabaseDlg::hidePage(CPage& page) {
    page.m_active = false;
    page.hide();
}

void CMyOrvaneDatabaseDlg::OnTabChanged(int) {
    if (operationRuns()) {
        selectTab(shownTab());  // one operation at a time
        return;
    }
    Command running(*this);
    actionguard::guard(this, [this] { SwitchPage(); });
}

void CMyOrvaneDatabaseDlg::OnViewCommand(int tab) {
    if (operationRuns())
        return;
    Command running(*this);
    selectTab(tab);
    actionguard::guard(this, [this] { SwitchPage(); });
}

bool CMyOrvaneDatabaseDlg::SwitchPage() {
    m_pollTimer.stop();

    // Leave.
    for (CViewTab* list : {&m_viewAllPage, &m_viewFilteredPage}) {
        if (!list->m_active)
            continue;
        keepColumnWidths(*list);
        hidePage(*list);
    }
    if (m_searchPage.m_active) {
        m_searchPage.BuildSearchFilter();
        m_viewFilteredPage.m_searchCondition = m_searchPage.m_searchCondition;
        hidePage(m_searchPage);
    }
    if (m_addEditPage.m_active) {
        if (m_addEditPage.m_addMode)
            m_addEditPage.SaveNewEntry();
        else
            m_addEditPage.SaveEditedEntry();
        if (m_database.isModified())
            MarkTitleModified();
        hidePage(m_addEditPage);
    }
    if (m_settingsPage.m_active) {
        if (!m_settingsPage.LeavePage()) {
            // A new database needs two columns first: the page stays, alone.
            selectTab(SettingsTab);
            for (CPage* page : pages()) {
                if (page != &m_settingsPage)
                    hidePage(*page);
            }
            return false;
        }
        // The other pages read the columns from the database; the search follows them.
        if (m_database.isModified()) {
            fitSearchToColumns();
            MarkTitleModified();
        }
        hidePage(m_settingsPage);
    }

    // Enter.
    switch (m_tabs->currentIndex()) {
        case ViewAllTab:
            showPage(m_viewAllPage);
            m_pollTimer.start();
            m_viewAllPage.FillList(QString(), QString());
            m_addEditPage.PreparePage();
            m_settingsPage.FillColumnList();
            break;
        case ViewFilteredTab:
            showPage(m_viewFilteredPage);
            m_pollTimer.start();
            m_viewFilteredPage.FillList(m_searchPage.m_searchCondition, QString());
            break;
        case SearchTab:
            m_pollTimer.start();
            m_searchPage.PreparePage();
            showPage(m_searchPage);
            break;
        case AddEditTab:
            m_addEditPage.m_active = true;
            // The entry being edited as it is now, under the columns as they are now.
            m_addEditPage.FollowStoredEntry(CSearchAddEdit::WhenGone::KeepEditing);
            m_addEditPage.PreparePage();
            showPage(m_addEditPage);
            break;
        case SettingsTab:
            showPage(m_settingsPage);
            break;
        default:
            break;
    }
    return true;
}

void CMyOrvaneDatabaseDlg::keepColumnWidths(const CViewTab& list) {
    // The widths the user gave the columns travel to both lists.
    QList<quint32> widths;
    const int n = m_database.columnCount();
    for (int i = 0; i < n; ++i)
        widths.append(static_cast<quint32>(list.listColumnWidth(i)));
    shareColumnWidths(widths);
}

void CMyOrvaneDatabaseDlg::shareColumnWidths(const QList<quint32>& widths) {
    m_viewAllPage.m_columnWidths = widths;
    m_viewFilteredPage.m_columnWidths = widths;
}

void CMyOrvaneDatabaseDlg::fitSearchToColumns() {
    // A disabled field cannot be cleared by the user, and a criterion left in it would narrow
    // every later search.
    m_searchPage.PreparePage();
    m_searchPage.BuildSearchFilter();
    m_viewFilteredPage.m_searchCondition = m_searchPage.m_searchCondition;
}

void CMyOrvaneDatabaseDlg::OnPollTimer() {
    for (CViewTab* list : {&m_viewAllPage, &m_viewFilteredPage}) {
        if (!list->m_active)
            continue;
        if (list->m_editRequested) {
            // The entry chosen when Edit Entry was asked, whatever the list shows now.
            const ChosenEntry entry = *std::exchange(list->m_editRequested, std::nullopt);
            m_addEditPage.m_addMode = false;
            m_addEditPage.m_values = entry.values;
            m_addEditPage.m_entries = entry.ids;
            m_addEditPage.PreparePage();
            selectTab(AddEditTab);
            if (!SwitchPage())
                return;
            focusFirstField();
        }
        if (list->m_addRequested) {
            selectTab(AddEditTab);
            list->m_addRequested = false;
            m_addEditPage.m_addMode = true;
            m_addEditPage.PreparePage();
            if (SwitchPage())
                focusFirstField();
        }
    }
}

void CMyOrvaneDatabaseDlg::focusFirstField() {
    // The button that asked went away with its page: the person means to type.
    m_addEditPage.field(1)->setFocus(Qt::OtherFocusReason);
}

void CMyOrvaneDatabaseDlg::MarkTitleModified() {
    setTitleForPath(currentPath(), true);
}
