#include "CMyOrvaneDatabaseDlg.h"

#include "ActionGuard.h"
#include "CAboutDlg.h"
#include "CLanguage.h"
#include "ColumnWidths.h"
#include "ConfigKeys.h"
#include "DialogUnits.h"
#include "RecentDatabases.h"
#include "Schema.h"
#include "Shell.h"
#include "StorePath.h"
#include "TextOrder.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

namespace {

// The progress of an operation's part, which a request to close the window cancels too where
// Cancel is offered.
class CancelledByClosing : public Progress {
public:
    CancelledByClosing(std::unique_ptr<Progress> shown, const bool& closeRequested)
        : m_shown(std::move(shown)), m_closeRequested(closeRequested) {}
    bool advance(qint64 done) override {
        return m_shown->advance(done) && !(m_cancellable && m_closeRequested);
    }
    void setCancellable(bool cancellable) override {
        m_cancellable = cancellable;
        m_shown->setCancellable(cancellable);
    }

private:
    std::unique_ptr<Progress> m_shown;
    const bool& m_closeRequested;
    bool m_cancellable = true;
};

}  // namespace

CMyOrvaneDatabaseDlg::Command::Command(CMyOrvaneDatabaseDlg& window) : m_window(window) {
    ++m_window.m_commands;
}

CMyOrvaneDatabaseDlg::Command::~Command() {
    if (--m_window.m_commands > 0 || !m_window.m_closeRequested)
        return;
    m_window.m_closeRequested = false;
    // From the event loop: the command's callers are done with the window by then.
    QTimer::singleShot(0, &m_window, &QWidget::close);
}

CMyOrvaneDatabaseDlg::Operation::Operation(CMyOrvaneDatabaseDlg& window)
    : m_window(window), m_command(window) {
    ++m_window.m_operations;
    m_messages.emplace(Prompter::current());
}

CMyOrvaneDatabaseDlg::Operation::~Operation() {
    --m_window.m_operations;
    m_messages.reset();  // what it has to tell, before a close asked for meanwhile
}

std::unique_ptr<Progress> CMyOrvaneDatabaseDlg::Operation::progress(const QString& label,
                                                                    qint64 total) {
    return std::make_unique<CancelledByClosing>(
        Prompter::current().progress(&m_window, label, m_window.text(texts::Cancel), total),
        m_window.m_closeRequested);
}

std::unique_ptr<Progress> CMyOrvaneDatabaseDlg::startOperation(const QString& label, qint64 total) {
    if (operationRuns())
        return nullptr;  // one operation at a time
    // The operation lives as long as the progress it shows, which goes first.
    class OperationProgress : public Progress {
    public:
        OperationProgress(CMyOrvaneDatabaseDlg& window, const QString& label, qint64 total)
            : m_operation(window), m_shown(m_operation.progress(label, total)) {}
        bool advance(qint64 done) override { return m_shown->advance(done); }
        void setCancellable(bool cancellable) override { m_shown->setCancellable(cancellable); }

    private:
        Operation m_operation;
        std::unique_ptr<Progress> m_shown;
    };
    return std::make_unique<OperationProgress>(*this, label, total);
}

int CMyOrvaneDatabaseDlg::shownTab() {
    const QList<CPage*> tabPages = pages();  // in the order of the tabs
    for (int tab = 0; tab < tabPages.size(); ++tab) {
        if (tabPages[tab]->m_active)
            return tab;
    }
    return m_tabs->currentIndex();
}

CMyOrvaneDatabaseDlg::CMyOrvaneDatabaseDlg(QWidget* parent)
    : QMainWindow(parent),
      m_client(new QWidget(this)),
      m_tabs(new QTabWidget(m_client)),
      m_viewAllPage(m_client, m_database),
      m_viewFilteredPage(m_client, m_database),
      m_searchPage(m_client, m_database),
      m_addEditPage(m_client, m_database),
      m_settingsPage(m_client, m_database),
      m_selectDatabase(this) {
    addHelpKey(&m_selectDatabase, QStringLiteral("start"));
    setWindowTitle(QStringLiteral("Orvane Database 3"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/orvane-database.svg")));
    setCentralWidget(m_client);
    m_client->installEventFilter(this);
    m_client->setAutoFillBackground(true);
    CPage::paintOwnBackground(*m_client);
    // The tab control draws the tabs and the frame; the pages lie over it.
    for (int tab = 0; tab < TabCount; ++tab) {
        auto* pane = new QWidget();
        pane->setAutoFillBackground(true);
        CPage::paintOwnBackground(*pane);
        m_tabs->addTab(pane, QString());
    }
    m_tabs->setFocusPolicy(Qt::TabFocus);
    for (CPage* page : pages()) {
        page->hide();
        page->raise();
        page->setOperationStart(
            [this](const QString& label, qint64 total) { return startOperation(label, total); });
    }
    const QPoint templatePlace(15, 36);
    m_searchPage.move(templatePlace);
    m_addEditPage.move(templatePlace);
    m_settingsPage.move(templatePlace);
    // Room for the fixed pages and the longest tab captions of every language.
    resize(820, 560);

    m_pollTimer.setInterval(40);
    // A request is carried out when no command is waiting for an answer.
    connect(&m_pollTimer, &QTimer::timeout, this, [this] {
        if (m_commands == 0)
            guarded(&CMyOrvaneDatabaseDlg::OnPollTimer);
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, &CMyOrvaneDatabaseDlg::OnTabChanged);
    m_handedFilesTimer.setInterval(100);
    connect(&m_handedFilesTimer, &QTimer::timeout, this, &CMyOrvaneDatabaseDlg::openHandedFiles);
    // Files dropped anywhere on the window, also on a field that would take their names as
    // text.
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    buildMenu();
}

CMyOrvaneDatabaseDlg::~CMyOrvaneDatabaseDlg() {
    actionguard::setTexts({});  // the texts go with the window
    // The history goes after the menu it would relabel.
    m_database.history().disconnect(this);
}

QList<CPage*> CMyOrvaneDatabaseDlg::pages() {
    return {&m_viewAllPage, &m_viewFilteredPage, &m_searchPage, &m_addEditPage, &m_settingsPage};
}

void CMyOrvaneDatabaseDlg::guarded(void (CMyOrvaneDatabaseDlg::*command)()) {
    guarded([this, command] { (this->*command)(); });
}

void CMyOrvaneDatabaseDlg::guarded(const std::function<void()>& command) {
    if (operationRuns())
        return;  // one operation at a time
    Command running(*this);
    actionguard::guard(this, command);
}

void CMyOrvaneDatabaseDlg::buildMenu() {
    struct Item {
        int text;
        QString icon;
        QStyle::StandardPixmap fallback;
        void (CMyOrvaneDatabaseDlg::*command)();
        QKeySequence shortcut;
        QString ownIcon = {};  // in place of fallback, where that is too small for scale 2
    };
    const QKeySequence saveAs = QKeySequence(QKeySequence::SaveAs).isEmpty()
                                    ? QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)
                                    : QKeySequence(QKeySequence::SaveAs);
    const QKeySequence quit = QKeySequence(QKeySequence::Quit).isEmpty()
                                  ? QKeySequence(Qt::CTRL | Qt::Key_Q)
                                  : QKeySequence(QKeySequence::Quit);
    const QList<QPair<int, QList<Item>>> menus = {
        {texts::FileMenu,
         {{texts::NewDatabaseCommand, "document-new", QStyle::SP_FileIcon,
           &CMyOrvaneDatabaseDlg::OnNewDatabase, QKeySequence::New},
          {0, {}, {}, nullptr, {}},
          {texts::OpenDatabaseCommand, "document-open", QStyle::SP_DialogOpenButton,
           &CMyOrvaneDatabaseDlg::OnOpenDatabase, QKeySequence::Open},
          {texts::SaveDatabaseCommand, "document-save", QStyle::SP_DialogSaveButton,
           &CMyOrvaneDatabaseDlg::OnSaveDatabase, QKeySequence::Save},
          {texts::SaveDatabaseAsCommand,
           "document-save-as",
           {},
           &CMyOrvaneDatabaseDlg::OnSaveDatabaseAs,
           saveAs,
           QStringLiteral(":/icons/document-save-as.svg")},
          {0, {}, {}, nullptr, {}},
          {texts::LanguageSelectionCommand,
           "preferences-desktop-locale",
           {},
           &CMyOrvaneDatabaseDlg::OnLanguageSelection,
           {},
           QStringLiteral(":/icons/preferences-desktop-locale.svg")},
          {0, {}, {}, nullptr, {}},
          {texts::ExitCommand, "application-exit", QStyle::SP_DialogCloseButton,
           &CMyOrvaneDatabaseDlg::OnExit, quit}}},
        {texts::EditMenu,
         {{texts::UndoCommand, "edit-undo", QStyle::SP_ArrowBack, &CMyOrvaneDatabaseDlg::OnUndo,
           QKeySequence::Undo},
          {texts::RedoCommand, "edit-redo", QStyle::SP_ArrowForward, &CMyOrvaneDatabaseDlg::OnRedo,
           QKeySequence::Redo}}},
        {texts::ViewMenu,
         {{texts::ViewAllCommand,
           "view-list-details",
           QStyle::SP_FileDialogDetailedView,
           nullptr,
           {}},
          {0, {}, {}, nullptr, {}},
          {texts::ViewFilteredCommand, "view-filter", QStyle::SP_FileDialogListView, nullptr, {}},
          {0, {}, {}, nullptr, {}},
          {texts::SearchCommand, "edit-find", QStyle::SP_FileDialogContentsView, nullptr, {}},
          {0, {}, {}, nullptr, {}},
          {texts::AddEditCommand, "document-edit", QStyle::SP_FileDialogInfoView, nullptr, {}},
          {0, {}, {}, nullptr, {}},
          {texts::SettingsCommand,
           "preferences-system",
           QStyle::SP_FileDialogToParent,
           nullptr,
           {}}}},
        {texts::HelpMenu,
         {{texts::ShowHelpCommand, "help-contents", QStyle::SP_DialogHelpButton,
           &CMyOrvaneDatabaseDlg::OnShowHelpFile, QKeySequence::HelpContents},
          {0, {}, {}, nullptr, {}},
          {texts::WebsiteCommand,
           "applications-internet",
           QStyle::SP_DirHomeIcon,
           &CMyOrvaneDatabaseDlg::OnGoToWebsite,
           {}},
          {texts::AboutCommand,
           "help-about",
           QStyle::SP_MessageBoxInformation,
           &CMyOrvaneDatabaseDlg::OnAbout,
           {}}}},
    };
    int viewTab = 0;
    for (const auto& [title, items] : menus) {
        QMenu* menu = menuBar()->addMenu(QString());
        m_actions.append({title, menu->menuAction()});
        if (title == texts::EditMenu)  // whether the history waits is seen when it opens
            connect(menu, &QMenu::aboutToShow, this, &CMyOrvaneDatabaseDlg::labelUndoActions);
        for (const Item& item : items) {
            if (item.text == 0) {
                menu->addSeparator();
                continue;
            }
            const QIcon fallback =
                item.ownIcon.isEmpty() ? style()->standardIcon(item.fallback) : QIcon(item.ownIcon);
            QAction* action = menu->addAction(QIcon::fromTheme(item.icon, fallback), QString());
            action->setIconVisibleInMenu(true);
            if (!item.shortcut.isEmpty())
                action->setShortcut(item.shortcut);
            if (item.command) {
                const auto command = item.command;
                connect(action, &QAction::triggered, this, [this, command] { guarded(command); });
            } else {
                const int tab = viewTab++;
                action->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + tab)));
                connect(action, &QAction::triggered, this, [this, tab] { OnViewCommand(tab); });
            }
            m_actions.append({item.text, action});
        }
    }
    // The recent databases, between Save As and Language Selection; shown when there are any.
    QMenu* fileMenu = action(texts::FileMenu)->menu();
    m_recentSeparator = fileMenu->insertSeparator(action(texts::LanguageSelectionCommand));
    fileMenu->setToolTipsVisible(true);  // the full path, where no status bar shows it
    for (int i = 0; i < recentdatabases::kMost; ++i) {
        auto* item = new QAction(QIcon::fromTheme(QStringLiteral("text-csv"),
                                                  style()->standardIcon(QStyle::SP_FileIcon)),
                                 QString(), fileMenu);
        item->setIconVisibleInMenu(true);
        fileMenu->insertAction(m_recentSeparator, item);
        connect(item, &QAction::triggered, this, [this, item] {
            const QString path = item->data().toString();
            guarded([this, &path] { openDirectly(path); });
        });
        m_recentActions.append(item);
    }
    // Both keys that desktops use for Redo.
    action(texts::RedoCommand)
        ->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(&m_database.history(), &History::changed, this, [this] {
        labelUndoActions();
        // A change made, taken back or made again: the title says that something is unsaved,
        // whichever page made it (a removal on a list too). An operation sets its own.
        if (m_database.isOpen() && !operationRuns())
            refreshTitle();
    });
    labelUndoActions();
}

QAction* CMyOrvaneDatabaseDlg::action(int textNumber) const {
    for (const auto& [number, action] : m_actions) {
        if (number == textNumber)
            return action;
    }
    return nullptr;
}

void CMyOrvaneDatabaseDlg::labelMenu() {
    for (const auto& [number, action] : m_actions) {
        const bool popupTitle = action->menu() != nullptr;
        action->setText(popupTitle ? text(number) : QStringLiteral("  ") + text(number));
    }
    labelUndoActions();
}

void CMyOrvaneDatabaseDlg::labelRecentDatabases() {
    const QStringList paths = recentDatabases();
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* item = m_recentActions[i];
        item->setVisible(i < paths.size());
        if (i >= paths.size())
            continue;
        const QString path = QDir::toNativeSeparators(paths[i]);
        const QString name = QFileInfo(paths[i]).fileName();
        // Two of the same name are told apart by their folders.
        bool nameTwice = false;
        for (const QString& other : paths)
            nameTwice |= other != paths[i] && QFileInfo(other).fileName() == name;
        QString shown = nameTwice ? path : name;
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        item->setText(QStringLiteral("  &%1  %2").arg(i + 1).arg(shown));
        item->setData(paths[i]);
        item->setStatusTip(path);
        item->setToolTip(path);
    }
    m_recentSeparator->setVisible(!paths.isEmpty());
}

void CMyOrvaneDatabaseDlg::labelUndoActions() {
    // The items name the step they take back or make again, and are off when there is none.
    const auto label = [this](QAction* item, const StoreStep* step, int plain, int named) {
        const bool can = step && !historyWaits();
        item->setEnabled(can);
        item->setText(QStringLiteral("  ") +
                      (can ? text(named).arg(stepName(*step)) : text(plain)));
    };
    const History& history = m_database.history();
    label(action(texts::UndoCommand), history.undoStep(), texts::UndoCommand,
          texts::UndoStepCommand);
    label(action(texts::RedoCommand), history.redoStep(), texts::RedoCommand,
          texts::RedoStepCommand);
}

void CMyOrvaneDatabaseDlg::buildTabs() {
    const QList<QPair<QString, QStyle::StandardPixmap>> icons = {
        {QStringLiteral("view-list-details"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("view-filter"), QStyle::SP_FileDialogListView},
        {QStringLiteral("edit-find"), QStyle::SP_FileDialogContentsView},
        {QStringLiteral("document-edit"), QStyle::SP_FileDialogInfoView},
        {QStringLiteral("preferences-system"), QStyle::SP_FileDialogToParent},
    };
    const int captions[] = {texts::ViewAllTab, texts::ViewFilteredTab, texts::SearchTab,
                            texts::AddEditTab, texts::SettingsTab};
    for (int tab = 0; tab < TabCount; ++tab) {
        m_tabs->setTabText(tab, text(captions[tab]));
        m_tabs->setTabIcon(
            tab, QIcon::fromTheme(icons[tab].first, style()->standardIcon(icons[tab].second)));
    }
    m_tabs->setToolTip(text(texts::TabsTip));
}

void CMyOrvaneDatabaseDlg::OnInitDialog() {
    m_translation.LoadTexts();
    installQtTexts();
    textorder::setLanguage(m_translation.locale());  // lists sort by the language's rules
    m_power.ResolveConfigPath();
    actionguard::setTexts({m_translation.textOr(texts::ProgramName, {}),
                           m_translation.textOr(texts::FileNotFound, {}),
                           m_translation.textOr(texts::FileNotRead, {}),
                           m_translation.textOr(texts::FileNotWritten, {})});
    labelMenu();
    labelRecentDatabases();
    resolveStorePath();
    buildTabs();
    setUpPages();
    openLastDatabase();
    m_started = true;
}

void CMyOrvaneDatabaseDlg::installQtTexts() {
    // Qt's own words (Yes, No, Cancel, Ctrl) in the language of the program's texts.
    QCoreApplication::removeTranslator(&m_qtTexts);
    const QString locale = m_translation.locale();
    if (locale != QLatin1String("en") &&
        m_qtTexts.load(QStringLiteral("qtbase_") + locale,
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qtTexts);
}

void CMyOrvaneDatabaseDlg::setUpPages() {
    m_pollTimer.stop();
    for (CPage* page : pages()) {
        page->hide();
        page->m_active = false;
    }
    // Every initialisation starts without a database, a language change too.
    m_database.close(text(texts::DefaultColumnNames));
    // An "Options" value that names no column of the store means: no sort column.
    const int sortNumber = DigitsToInt(m_power.ReadConfig(configkeys::kOptions).left(2));
    const QString sortColumn = sortNumber >= 1 && sortNumber <= schema::kColumnCount
                                   ? schema::column(sortNumber)
                                   : QString();
    for (CViewTab* page : {&m_viewAllPage, &m_viewFilteredPage}) {
        page->m_filtered = page == &m_viewFilteredPage;
        page->setSortColumn(sortColumn);
    }
    shareColumnWidths(columnwidths::fromSetting(m_power.ReadConfig(configkeys::kColumnWidths)));
    m_searchPage.m_searchMode = true;
    m_addEditPage.m_addMode = true;
    m_addEditPage.m_searchMode = false;
    m_settingsPage.m_newDatabase = false;
    for (CPage* page : pages())
        page->OnInitDialog();
    OnSize(m_client->width(), m_client->height());
}

void CMyOrvaneDatabaseDlg::resolveStorePath() {
    const storepath::Choice store = storepath::ResolveStorePath(
        m_power.ReadConfigPath(configkeys::kStorePath), m_power.m_dataRoot, storeTemplate());
    if (!store.remembered.isEmpty())
        writeSetting(configkeys::kStorePath, store.remembered, SettingKind::Path);
    m_database.setStorePath(store.storePath);
    m_scratchStore.reset();
}

void CMyOrvaneDatabaseDlg::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // The desktop's palette changed: the client area and the tab panes follow it, as the
    // pages do themselves.
    if (event->type() == QEvent::PaletteChange) {
        CPage::paintOwnBackground(*m_client);
        for (int tab = 0; tab < m_tabs->count(); ++tab)
            CPage::paintOwnBackground(*m_tabs->widget(tab));
    }
    // Another style or font: the tabs and the pages need other room.
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        OnSize(m_client->width(), m_client->height());
}

void CMyOrvaneDatabaseDlg::OnSize(int w, int h) {
    // The pages lie on the tab pane below the tabs: at the design's places for tabs 28 pixels
    // high, lower for higher ones (a larger font, another style).
    const QSize tabs = m_tabs->tabBar()->sizeHint();
    const int lower = std::max(0, tabs.height() - 28);
    m_tabs->setGeometry(7, 7, w - 14, h - 14);
    for (CViewTab* page : {&m_viewAllPage, &m_viewFilteredPage}) {
        page->setGeometry(15, 38 + lower, w - 29, h - 54 - lower);
        page->PlaceControls(w, h - lower);
    }
    // The smallest client area that shows every tab and every page whole.
    QSize least(7 + tabs.width() + 8 + 7, 0);
    for (CPage* page :
         std::initializer_list<CPage*>{&m_searchPage, &m_addEditPage, &m_settingsPage}) {
        page->move(15, 36 + lower);
        const QPoint corner = page->geometry().bottomRight();
        least = least.expandedTo(QSize(corner.x() + 12, corner.y() + 12));
    }
    for (const CViewTab* page : {&m_viewAllPage, &m_viewFilteredPage})
        least = least.expandedTo(page->minimumClientSize() + QSize(0, lower));
    if (m_client->minimumSize() != least)
        m_client->setMinimumSize(least);  // the window grows when it is smaller
}

bool CMyOrvaneDatabaseDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize)
        OnSize(m_client->width(), m_client->height());
    const QEvent::Type type = event->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* drop = static_cast<QDropEvent*>(event);
        if (!widget || widget->window() != this || !drop->mimeData()->hasUrls())
            return QMainWindow::eventFilter(watched, event);
        // One operation at a time: the pointer shows that the window takes no drop now.
        if (operationRuns()) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        if (type == QEvent::Drop) {
            const QList<QUrl> urls = drop->mimeData()->urls();
            // After the drop has ended: the file manager waits for it.
            QTimer::singleShot(0, this, [this, urls] {
                const QString path = droppedFile(urls);
                if (!path.isEmpty())
                    handFile(path);
            });
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QString CMyOrvaneDatabaseDlg::droppedFile(const QList<QUrl>& urls) {
    const QString path =
        urls.size() == 1 && urls[0].isLocalFile() ? urls[0].toLocalFile() : QString();
    if (path.isEmpty() || QFileInfo(path).isDir()) {
        message(text(texts::DropOneFile), Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return QString();
    }
    return path;
}

void CMyOrvaneDatabaseDlg::OnLanguageSelection() {
    const QString old = m_power.ReadConfig(configkeys::kLanguage);
    CLanguage dialog(this);
    addHelpKey(&dialog, QStringLiteral("languages"));
    dialog.m_language = old;
    dialog.m_caption = text(texts::LanguageCaption);
    dialog.OnInitDialog();
    Prompter::current().runModal(dialog);
    if (dialog.m_language == old)
        return;
    abandonNewDatabase();
    if (!BringPagesUpToDate() || !AskToSave())
        return;
    if (!writeSetting(configkeys::kLanguage, dialog.m_language))
        return;
    // An untitled database stays untitled, with its columns; what it held unsaved was saved
    // under a name just now, or the user chose to let it go.
    if (isUntitled())
        m_untitledColumnsKept = m_database.columnNames();
    OnInitDialog();
}

void CMyOrvaneDatabaseDlg::OnExit() {
    close();
}

QString CMyOrvaneDatabaseDlg::helpFile(const QString& topic) const {
    // One file per topic, since the desktop's browser drops #anchors of local files.
    static const char* const tabTopics[TabCount] = {"view-all", "view-filtered", "search",
                                                    "add-edit", "settings"};
    const int tab = m_tabs->currentIndex();
    const QString page = !topic.isEmpty()
                             ? topic
                             : QLatin1String(tab >= 0 && tab < TabCount ? tabTopics[tab] : "start");
    const QString folder = m_power.GetProgramFolder();
    for (const QString& language : {m_translation.locale(), QStringLiteral("en")}) {
        const QString path = QStringLiteral("%1/help/%2/%3.html").arg(folder, language, page);
        if (QFileInfo::exists(path))
            return path;
    }
    return folder + QStringLiteral("/help.html");
}

void CMyOrvaneDatabaseDlg::openHelp(const QString& topic) {
    const QString path = helpFile(topic);
    if (!shell::open(path))
        message(text(texts::HelpNotOpened).arg(path), Prompter::Buttons::Ok,
                Prompter::Icon::Warning);
}

void CMyOrvaneDatabaseDlg::addHelpKey(QWidget* dialog, const QString& topic) {
    auto* key = new QShortcut(QKeySequence::HelpContents, dialog);
    connect(key, &QShortcut::activated, this, [this, topic] { openHelp(topic); });
}

void CMyOrvaneDatabaseDlg::OnShowHelpFile() {
    openHelp(QString());
}

void CMyOrvaneDatabaseDlg::OnGoToWebsite() {
    const QString address = m_power.ReadConfig(configkeys::kHomepage);
    if (!shell::open(address))
        message(text(texts::WebsiteNotOpened).arg(address), Prompter::Buttons::Ok,
                Prompter::Icon::Warning);
}

void CMyOrvaneDatabaseDlg::OnAbout() {
    CAboutDlg about(this, m_translation);
    Prompter::current().runModal(about);
}

Prompter::Answer CMyOrvaneDatabaseDlg::message(const QString& text, Prompter::Buttons buttons,
                                               Prompter::Icon icon) {
    return Prompter::current().message(this, text, this->text(texts::ProgramName), buttons, icon);
}
